// The picture formats every stb_image copy in the project leaves out: a receipt picture
// does not come in them, and their header readers are not made for hostile input (the PNM
// one overflows an int on long numbers). Include before <stb/stb_image.h>.
#ifndef NZCOMMON_IMGPROCESS_STBFORMATS_H
#define NZCOMMON_IMGPROCESS_STBFORMATS_H

#define STBI_NO_HDR
#define STBI_NO_PIC
#define STBI_NO_PNM

#endif

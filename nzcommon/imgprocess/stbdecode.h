// Image files of every format stb_image reads, decoded to RGB888.
#ifndef NZCOMMON_IMGPROCESS_STBDECODE_H
#define NZCOMMON_IMGPROCESS_STBDECODE_H

// New malloc'ed RGB888 image (top-down, stride width * 3) or null. Pixels with an alpha
// channel are composited over white, so transparent areas come out white; PSD files with an
// alpha channel are refused (stb_image cannot read them safely). The width,
// height and the file's channel count are stored when stb_image reported them (0 when it
// did not), also on failure; each output may be null.
unsigned char *nzstb_DecodeRGB(const unsigned char *data, int size, int *width, int *height, int *channelsInFile);

#endif

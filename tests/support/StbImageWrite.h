// stb_image_write's encoders (PNG, JPEG, TGA) for building test pictures, compiled into the
// one file of a program that includes this header, with the dependency's own warnings off.
#ifndef QUORVANE_TESTS_SUPPORT_STBIMAGEWRITE_H
#define QUORVANE_TESTS_SUPPORT_STBIMAGEWRITE_H

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#endif

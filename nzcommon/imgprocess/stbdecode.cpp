// The one place where stb_image is compiled. Its functions are static to this file, so
// nothing of it can clash with another copy in the process.
#include "nzcommon/imgprocess/stbdecode.h"

#include <cstdlib>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_MALLOC(sz) malloc(sz)
#define STBI_REALLOC(p, newsz) realloc(p, newsz)
#define STBI_FREE(p) free(p)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wtype-limits"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

unsigned char *nzstb_DecodeRGB(const unsigned char *data, int size, int *width, int *height, int *channelsInFile)
{
    int w = 0, h = 0, comp = 0;
    unsigned char *rgba = nullptr;
    if (data && size > 0)
        rgba = stbi_load_from_memory(data, size, &w, &h, &comp, 4);
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (channelsInFile)
        *channelsInFile = comp;
    if (!rgba)
        return nullptr;
    // Over white: c' = (c * a + 255 * (255 - a)) / 255, rounded; opaque pixels keep c.
    size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    unsigned char *dst = rgba;
    const unsigned char *src = rgba;
    for (size_t i = 0; i < n; ++i, src += 4, dst += 3) {
        unsigned a = src[3];
        unsigned white = 255u * (255u - a) + 127u;
        unsigned char r = static_cast<unsigned char>((src[0] * a + white) / 255u);
        unsigned char g = static_cast<unsigned char>((src[1] * a + white) / 255u);
        unsigned char b = static_cast<unsigned char>((src[2] * a + white) / 255u);
        dst[0] = r;
        dst[1] = g;
        dst[2] = b;
    }
    unsigned char *shrunk = static_cast<unsigned char *>(realloc(rgba, n * 3 > 0 ? n * 3 : 1));
    return shrunk ? shrunk : rgba;
}

// An encoded picture decoded once, for the entries that need both its size and its pixels.
#ifndef NZCOMMON_IMGPROCESS_IMGDECODE_H
#define NZCOMMON_IMGPROCESS_IMGDECODE_H

#include <cstdlib>

// RGB888 pixels (top-down, stride width * 3, malloc'ed) and what the size probe of the same
// bytes reports: width, height and bits per pixel (the BMP bit count, or the file's
// channels times 8 from stb_image). The record owns the pixels: they go with it.
struct NZDecodedImage {
    unsigned char *rgb = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool fromBmp = false;

    NZDecodedImage() = default;
    ~NZDecodedImage() { free(rgb); }
    NZDecodedImage(const NZDecodedImage &) = delete;
    NZDecodedImage &operator=(const NZDecodedImage &) = delete;
};

// Decodes with the own BMP reader first and stb_image second, as the size probe and the
// conversion entries do. False (nothing owned) when neither accepts the bytes.
bool NZImg_Decode(const unsigned char *data, int size, NZDecodedImage *out);

// Raster data of the target size from the decoded picture of data: the bytes the data
// conversion entry gives for them, its retry included (a BMP that fails after decoding is
// tried again through stb_image).
unsigned char *NZImg_ConvertDecoded(const NZDecodedImage &image, const unsigned char *data, int size, int dstWidth,
                                    int dstHeight, int method, int *outSize, int *outBytesPerLine);

#endif

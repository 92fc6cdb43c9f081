// JBIG (T.85) compression of raster data through JBIG-KIT's jbig85 codec, the US ( J band
// command, and decoding back to raster data or 32-bit pixels.
//
// Measure, then fill: the functions with a destination count every byte the codec delivers,
// store only the chunks that fit and succeed only when everything was stored, so a first
// call without a destination gives the size and a second call with that room fills it.
#ifndef NZCOMMON_IMGPROCESS_JBIGCODEC_H
#define NZCOMMON_IMGPROCESS_JBIGCODEC_H

// Encodes lines rows of bytesPerLine bytes (widthDots dots used) into one bi-level image
// entity (BIE). *outTotal gets the full BIE length; returns 1 when all of it was stored.
int Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(int bytesPerLine, int widthDots, int lines,
                                                     const unsigned char *raster, unsigned char *dst, int capacity,
                                                     int *outTotal);

// New malloc'ed BIE, or null (*outLength 0) on any failure.
unsigned char *Quorvane_ImgUtils_RasterDataToJBIG5Data(int bytesPerLine, int widthDots, int lines,
                                                       const unsigned char *raster, int *outLength);

// One US ( J command per band of at most bankHeight lines (255 at most):
// 1F 28 4A, BIE length + 3 (16 bits), bytesPerLine * 8 (16 bits), band lines (8 bits), BIE.
// A band whose BIE is too long for the length field is split further.
unsigned char *Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(int bytesPerLine, int lines,
                                                                       const unsigned char *raster, int bankHeight,
                                                                       int *outSize);

// New NUL-terminated base64 text of the BIE, or null.
char *Quorvane_ImgUtils_RasterDataToJBIG5Base64Data(int bytesPerLine, int widthDots, int lines,
                                                    const unsigned char *raster);

// Pixels of any format converted with the binarization method, then encoded with the given
// width: the BIE length, or 0 on failure. dataLength is not used.
int Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataLength(const unsigned char *pixels, int dataLength, int width,
                                                            int height, int stride, int format, int method);

// The same, storing the BIE in dst: its length when it fitted, else 0.
int Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataBytes(const unsigned char *pixels, int dataLength, int width,
                                                           int height, int stride, int format, int method,
                                                           unsigned char *dst, int capacity);

// Decodes a BIE into raster data. Returns 1 when the image was complete and every row was
// stored; width, height and bytesPerLine are set only when the image was complete, *outTotal
// always. Images whose raster would not fit an int are refused.
int Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(const unsigned char *bie, int length, int *outBytesPerLine,
                                                     int *outWidth, int *outHeight, unsigned char *dst, int capacity,
                                                     int *outTotal);

// 1 and the image's width and height (both non-zero) when the BIE decodes, else 0 with the
// outputs untouched.
int Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(const unsigned char *bie, int length, int *outWidth,
                                                  int *outHeight);

// Decodes into width * height 32-bit values (foreground for black dots, background for
// white), row by row; dst must hold that many. 1 on success, else 0 with nothing written.
int Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(const unsigned char *bie, int length, unsigned int background,
                                                  unsigned int foreground, unsigned int *dst, int *outWidth,
                                                  int *outHeight);

// Codec callbacks: each chunk (encoder) or decoded row (decoder) goes to the sink given as
// file. The row callback returns 0 so that decoding continues.
#include <stddef.h>
struct jbg85_dec_state;
void Quorvane_ImgUtils_output_bie(unsigned char *start, size_t len, void *file);
int Quorvane_ImgUtils_jbg85_dec_line_out_callback(const struct jbg85_dec_state *state, unsigned char *start,
                                                  size_t len, unsigned long y, void *file);

#endif

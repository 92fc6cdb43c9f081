// Pixels of any of the nine formats to raster data.
#ifndef NZCOMMON_IMGPROCESS_MONOFORMAT_H
#define NZCOMMON_IMGPROCESS_MONOFORMAT_H

// Format 1: a copy with every bit beyond the width cleared; format 2: each byte
// bit-reversed (bits beyond the width left as they are); both with bytesPerLine = stride
// and no binarization. Formats 3 to 9: gray conversion, then the binarization method.
// Returns a new malloc'ed raster, or null (outputs untouched) for an unknown format or
// method, sizes of 0 or less, a stride smaller than a row, or a failed allocation.
unsigned char *Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(const unsigned char *pixels, int width, int height,
                                                                int stride, int format, int method, int *outSize,
                                                                int *outBytesPerLine);

#endif

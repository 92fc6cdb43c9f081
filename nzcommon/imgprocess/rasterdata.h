// Raster data: the packed 1-bit image of the whole system (rows top-down, bytesPerLine bytes
// a row, most significant bit = leftmost dot, set bit = black) and its copies and reshapes.
// Every function returns a new malloc'ed buffer, or null for refused arguments (sizes of 0
// or less, products beyond int, a destination narrower than its source) or a failed malloc.
#ifndef NZCOMMON_IMGPROCESS_RASTERDATA_H
#define NZCOMMON_IMGPROCESS_RASTERDATA_H

// Copy of bytesPerLine * lines bytes with every bit from column widthDots to the row's end
// set (value's low byte non-zero) or cleared (value 0), so padding never prints.
unsigned char *Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(int bytesPerLine, int widthDots, int lines,
                                                               const unsigned char *src, int value);

// Rows widened to dstBytesPerLine: each source row copied, then every bit from widthDots up
// to the wider row's end set or cleared. Needs widthDots <= src * 8 <= dst * 8.
unsigned char *Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(int srcBytesPerLine, int widthDots,
                                                                            int lines, const unsigned char *src,
                                                                            int dstBytesPerLine, int value);

// One byte per dot (1 black, 0 white), widthDots * lines bytes.
unsigned char *Quorvane_ImgUtils_ConvertHorizontalRasterImageToImage1(int bytesPerLine, int widthDots, int lines,
                                                                      const unsigned char *raster);

// One gray byte per dot (0x00 black, 0xFF white), widthDots * lines bytes.
unsigned char *Quorvane_ImgUtils_ConvertHorizontalRasterImageToGrayImage(int bytesPerLine, int widthDots, int lines,
                                                                         const unsigned char *raster);

// Column-major raster of dstWidthDots columns of dstHeightBytes bytes (top dot in the most
// significant bit) from dot bytes; the source is clipped to the destination.
unsigned char *Quorvane_ImgUtils_ConvertImage1ToVerticalRasterImageSpecifyDstWidthDotsAndHeightBytes(
    int srcWidth, int srcHeight, const unsigned char *image1, int dstWidthDots, int dstHeightBytes);

// dstBytesPerLine * dstLines bytes of fill's low byte with the source rows copied to the
// top-left corner. Needs dstBytesPerLine >= srcBytesPerLine and dstLines >= lines.
unsigned char *Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(const unsigned char *src, int srcBytesPerLine,
                                                                     int lines, int dstBytesPerLine, int dstLines,
                                                                     int fill);

#endif

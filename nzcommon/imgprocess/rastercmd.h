// Printer commands that carry raster data: GS v 0 (whole or in bands), the per-line
// run-length form US ( P, and the GS 8 L store-and-print form of TM-88IV printers.
// Command builders return a new malloc'ed buffer and store its size; header fields that
// cannot hold a value are never wrapped: bands are split, anything else is refused (null or
// 0, nothing stored).
#ifndef NZCOMMON_IMGPROCESS_RASTERCMD_H
#define NZCOMMON_IMGPROCESS_RASTERCMD_H

// One GS v 0 command for the whole raster; *outSize = bytesPerLine * lines + 8, stored even
// when malloc fails. Both sizes must fit 16 bits.
unsigned char *Quorvane_ImgUtils_GetRasterCmdFromRasterData(int bytesPerLine, int lines, const unsigned char *raster,
                                                            int *outSize);

// Measure, then fill: stores the size of one GS v 0 command in *outSize and, when out is not
// null, writes the command there (out must hold that size). 1 on success, 0 when refused.
int Quorvane_ImgUtils_RasterDataToRasterCmd(int bytesPerLine, int lines, const unsigned char *raster,
                                            unsigned char *out, int *outSize);

// GS v 0 commands, one per band of at most bankHeight lines (65535 at most), back to back.
unsigned char *Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(int bytesPerLine, int lines,
                                                                        const unsigned char *raster, int bankHeight,
                                                                        int *outSize);

// Run-length payload of one line of len bytes: a length byte n and n bytes of (value, count)
// pairs when that is shorter than the line and n <= 255, else 00 and the raw line. Runs
// longer than 255 are split. With a null out only the length is computed. Returns the
// payload length (also stored in *outLen when not null), 0 when refused.
int Quorvane_ImgUtils_CompressDataBuf(const unsigned char *line, int len, unsigned char *out, int *outLen);

// One US ( P command per line: 1F 28 50 mL mH, then the line's run-length payload.
unsigned char *Quorvane_ImgUtils_RasterDataToCompressCmd(int bytesPerLine, int lines, const unsigned char *raster,
                                                         int *outSize);

// GS 8 L store command (height rounded up to 8 with white rows) followed by the GS 8 L print
// command. bytesPerLine * 8 and the rounded height must fit 16 bits.
unsigned char *Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(int bytesPerLine, int lines,
                                                                    const unsigned char *raster, int *outSize);

#endif

// The imaging module in one include: raster data and commands, image decoding, size probes,
// scaling, gray conversion, binarization, conversion entries, JBIG and base64.
#ifndef NZCOMMON_IMGPROCESS_IMGUTILS_H
#define NZCOMMON_IMGPROCESS_IMGUTILS_H

#include "nzcommon/imgprocess/base64.h"
#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgfile.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/imgscale.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "nzcommon/imgprocess/monoformat.h"
#include "nzcommon/imgprocess/rastercmd.h"
#include "nzcommon/imgprocess/rasterdata.h"
#include "nzcommon/imgprocess/stbdecode.h"

#endif

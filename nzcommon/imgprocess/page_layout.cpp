// Page-mode position computations and the automatic CODE128 encoder.
#include "nzcommon/imgprocess/page_layout.h"

#include "nzcommon/imgprocess/barcode_render.h"
#include "nzcommon/imgprocess/imgalloc.h"
#include "ports/NZUtils.h"

#include <qrencode.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int PLACE_START = -1;
constexpr int PLACE_CENTRE = -2;
constexpr int PLACE_END = -3;

int saturate(int64_t v)
{
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
}

// Resolves a placement code along one axis. `along02` and `along13` are the
// page lengths this axis runs along for rotations 0/2 and 1/3.
int resolve(int v, int rotation, int64_t along02, int64_t along13, int64_t extent)
{
    if (v == PLACE_START)
        return 0;
    if (v != PLACE_CENTRE && v != PLACE_END)
        return v;
    int64_t room;
    if (rotation == 0 || rotation == 2)
        room = along02 - extent;
    else if (rotation == 1 || rotation == 3)
        room = along13 - extent;
    else
        return v;
    const int64_t r = v == PLACE_CENTRE ? room / 2 : room;
    return r < 0 ? 0 : saturate(r); // never place an object before the page start
}

// The box is first limited to the page in the page's own axes.
PL_Utils_Position place_box(PL_Utils_Size page, int rotation, int x, int y, int64_t w, int64_t h)
{
    if (page.width < w)
        w = page.width;
    if (page.height < h)
        h = page.height;
    return PL_Utils_Position(resolve(x, rotation, page.width, page.height, w),
                             resolve(y, rotation, page.height, page.width, h));
}

// Moves a resolved y that is 0 or more by delta.
PL_Utils_Position shift_y(PL_Utils_Position p, int64_t delta)
{
    if (p.y >= 0)
        p.y = saturate(p.y + delta);
    return p;
}

// Text extent: cells up to the first control character; the height of the
// taller cell whatever the text holds.
struct Extent {
    int64_t width;
    int64_t height;
};

Extent Utils_ComputeStringSizeW(const wchar_t *text, int64_t asciiW, int64_t asciiH, int64_t kanjiW, int64_t kanjiH)
{
    Extent e{0, asciiH > kanjiH ? asciiH : kanjiH};
    for (const wchar_t *p = text; p && *p > 31; ++p) {
        e.width += *p > 255 ? kanjiW : asciiW;
        if (e.width > INT_MAX || e.width < INT_MIN)
            break;
    }
    return e;
}

int barcode_width(int type, const char *text)
{
    return Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(type, 1, 1, text);
}

int ComputeUPCAWidth(const char *text) { return barcode_width(0, text); }
int ComputeUPCEWidth(const char *text) { return barcode_width(1, text); }
int ComputeEAN13Width(const char *text) { return barcode_width(2, text); }
int ComputeEAN8Width(const char *text) { return barcode_width(3, text); }
int ComputeCODE39Width(const char *text) { return barcode_width(4, text); }
int ComputeITFWidth(const char *text) { return barcode_width(5, text); }
int ComputeCODABARWidth(const char *text) { return barcode_width(6, text); }
int ComputeCODE93Width(const char *text) { return barcode_width(7, text); }
int ComputeCode128Width(const char *text) { return barcode_width(8, text); }

// Symbol width in modules of a receipt barcode system (0-8, or 65-73); 0 when
// the system is unknown or the text is not valid for it.
int Utils_ComputeBarcodeWidthA(int system, const char *text)
{
    static int (*const widths[9])(const char *) = {
        ComputeUPCAWidth, ComputeUPCEWidth,    ComputeEAN13Width,  ComputeEAN8Width,    ComputeCODE39Width,
        ComputeITFWidth,  ComputeCODABARWidth, ComputeCODE93Width, ComputeCode128Width,
    };
    if (system >= 65 && system <= 73)
        system -= 65;
    if (system < 0 || system > 8 || !text)
        return 0;
    return widths[system](text);
}

// QR width in modules in 8-bit mode; level 1-4 is L, M, Q, H. 0 on failure.
int Utils_ComputeQRCodeWidthA(const char *text, int version, int level)
{
    if (!text || level < 1 || level > 4 || version < 0 || version > 40)
        return 0;
    QRcode *qr = QRcode_encodeString(text, version, static_cast<QRecLevel>(level - 1), QR_MODE_8, 1);
    if (!qr)
        return 0;
    const int width = qr->width;
    QRcode_free(qr);
    return width;
}

// Count of ASCII digits from text[pos].
size_t Utils_GetSerialDigitLength(const char *text, size_t pos)
{
    size_t d = 0;
    while (text[pos + d] >= '0' && text[pos + d] <= '9')
        ++d;
    return d;
}

// Characters of a code-set-B run from pos: up to the first run of 4 or more
// digits, whose first digit joins the run when its length is odd.
size_t Utils_CODE128_GetCodeBDataLength(const char *text, size_t pos)
{
    size_t count = 0;
    while (text[pos + count]) {
        const size_t d = Utils_GetSerialDigitLength(text, pos + count);
        if (d == 0) {
            ++count;
        } else if (d < 4) {
            count += d;
        } else {
            if (d % 2)
                ++count;
            break;
        }
    }
    return count ? count : 1;
}

// Encodes one run at text[pos] into out; returns the characters consumed and
// adds the bytes written to *written.
size_t Utils_CODE128_EncodeDataOnce(const char *text, size_t pos, unsigned char *out, size_t *written)
{
    size_t k = 0;
    const size_t d = Utils_GetSerialDigitLength(text, pos);
    size_t consumed;
    if (d >= 4) {
        consumed = d - d % 2;
        out[k++] = '{';
        out[k++] = 'C';
        for (size_t i = 0; i < consumed; i += 2)
            out[k++] = static_cast<unsigned char>((text[pos + i] - '0') * 10 + (text[pos + i + 1] - '0'));
    } else {
        consumed = Utils_CODE128_GetCodeBDataLength(text, pos);
        out[k++] = '{';
        out[k++] = 'B';
        for (size_t i = 0; i < consumed; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[pos + i]);
            if (c == '{')
                out[k++] = '{'; // a literal brace, not a code-set selector
            out[k++] = c;
        }
    }
    *written += k;
    return consumed;
}

} // namespace

PL_Utils_Position Utils_Page_ComputeRectPosition(PL_Utils_Size page, int rotation, int x, int y, int width,
                                                 int height)
{
    return place_box(page, rotation, x, y, width, height);
}

PL_Utils_Position Utils_Page_ComputeStringPositionW(PL_Utils_Size page, int rotation, int baselineOffset, int x,
                                                    int y, const wchar_t *text, int asciiCharWidth,
                                                    int asciiCharHeight, int kanjiCharWidth, int kanjiCharHeight,
                                                    int scaleWidth, int scaleHeight)
{
    const int64_t sw = static_cast<int64_t>(scaleWidth) + 1;
    const int64_t sh = static_cast<int64_t>(scaleHeight) + 1;
    const Extent e = Utils_ComputeStringSizeW(text, asciiCharWidth * sw, asciiCharHeight * sh,
                                              kanjiCharWidth * sw, kanjiCharHeight * sh);
    const PL_Utils_Position p = place_box(page, rotation, x, y, e.width, e.height);
    return shift_y(p, e.height - baselineOffset);
}

PL_Utils_Position Utils_Page_ComputeStringPositionA(PL_Utils_Size page, int rotation, int baselineOffset, int x,
                                                    int y, const char *text, int asciiCharWidth,
                                                    int asciiCharHeight, int kanjiCharWidth, int kanjiCharHeight,
                                                    int scaleWidth, int scaleHeight)
{
    const NZImgOwned<wchar_t> wide(NZStringUtils::nzutils_mbstowcs_local(text));
    if (!wide)
        return PL_Utils_Position(x, y);
    return Utils_Page_ComputeStringPositionW(page, rotation, baselineOffset, x, y, wide.get(), asciiCharWidth,
                                             asciiCharHeight, kanjiCharWidth, kanjiCharHeight, scaleWidth,
                                             scaleHeight);
}

PL_Utils_Position Utils_Page_ComputeBarcodePositionA(PL_Utils_Size page, int rotation, int x, int y,
                                                     const char *text, int barcodeSystem, int unitWidth,
                                                     int barHeight, int readableTextHeight,
                                                     int readableTextPosition)
{
    const int64_t w = static_cast<int64_t>(unitWidth) * Utils_ComputeBarcodeWidthA(barcodeSystem, text);
    const int textPos = readableTextPosition & 3;
    const int64_t textLines = (textPos + 1) / 2; // none, one (above or below), two
    const int64_t h = static_cast<int64_t>(barHeight) + static_cast<int64_t>(readableTextHeight) * textLines;
    const PL_Utils_Position p = place_box(page, rotation, x, y, w, h);
    return shift_y(p, static_cast<int64_t>(barHeight) + (textPos & 1) * static_cast<int64_t>(readableTextHeight) - 1);
}

PL_Utils_Position Utils_Page_ComputeBarcodePositionW(PL_Utils_Size page, int rotation, int x, int y,
                                                     const wchar_t *text, int barcodeSystem, int unitWidth,
                                                     int barHeight, int readableTextHeight,
                                                     int readableTextPosition)
{
    const NZImgOwned<char> narrow(NZStringUtils::nzutils_wcstombs_local(text));
    if (!narrow)
        return PL_Utils_Position(x, y);
    return Utils_Page_ComputeBarcodePositionA(page, rotation, x, y, narrow.get(), barcodeSystem, unitWidth, barHeight,
                                              readableTextHeight, readableTextPosition);
}

PL_Utils_Position Utils_Page_ComputeQRCodePositionA(PL_Utils_Size page, int rotation, int x, int y,
                                                    const char *text, int version, int level, int moduleSize)
{
    const int64_t side = static_cast<int64_t>(moduleSize) * Utils_ComputeQRCodeWidthA(text, version, level);
    return place_box(page, rotation, x, y, side, side);
}

PL_Utils_Position Utils_Page_ComputeQRCodePositionW(PL_Utils_Size page, int rotation, int x, int y,
                                                    const wchar_t *text, int version, int level, int moduleSize)
{
    const NZImgOwned<char> narrow(NZStringUtils::nzutils_wcstombs_local(text));
    if (!narrow)
        return PL_Utils_Position(x, y);
    return Utils_Page_ComputeQRCodePositionA(page, rotation, x, y, narrow.get(), version, level, moduleSize);
}

PL_Utils_Position Utils_Page_ComputeImagePosition(PL_Utils_Size page, int rotation, int x, int y, int width,
                                                  int height)
{
    return shift_y(place_box(page, rotation, x, y, width, height), static_cast<int64_t>(height) - 1);
}

unsigned char *Utils_CODE128_EncodeDataAuto(const char *text, unsigned int *len)
{
    if (len)
        *len = 0;
    if (!text)
        return nullptr;
    const size_t n = strlen(text);
    if (n > (SIZE_MAX - 2) / 4 || n > UINT_MAX / 4)
        return nullptr;
    // A run of k characters takes at most 2 + 2k bytes: 4 bytes a character cover every text.
    auto *out = static_cast<unsigned char *>(malloc(4 * n + 2));
    if (!out)
        return nullptr;
    size_t pos = 0;
    size_t written = 0;
    while (pos < n)
        pos += Utils_CODE128_EncodeDataOnce(text, pos, out + written, &written);
    if (len)
        *len = static_cast<unsigned int>(written);
    return out;
}

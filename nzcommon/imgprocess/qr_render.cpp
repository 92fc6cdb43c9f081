// QR rendering over libqrencode.
#include "nzcommon/imgprocess/qr_render.h"

#include <qrencode.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Owns one libqrencode symbol; null when the text could not be encoded.
class Symbol {
public:
    Symbol(const char *text, int version, int level)
    {
        if (text && version >= 0 && version <= 40 && level >= QR_ECLEVEL_L && level <= QR_ECLEVEL_H)
            qr_ = QRcode_encodeString8bit(text, version, static_cast<QRecLevel>(level));
    }
    ~Symbol()
    {
        if (qr_)
            QRcode_free(qr_);
    }
    Symbol(const Symbol &) = delete;
    Symbol &operator=(const Symbol &) = delete;

    bool ok() const { return qr_ && qr_->width > 0; }
    int width() const { return qr_->width; }
    bool dark(int x, int y) const { return qr_->data[y * qr_->width + x] & 1; }

private:
    QRcode *qr_ = nullptr;
};

} // namespace

extern "C" {

int Quorvane_qrhelper_getqrcodewidth(const char *text, int version, int level)
{
    Symbol s(text, version, level);
    return s.ok() ? s.width() : 0;
}

int Quorvane_NZQRCodeUtils_FillQRCodeRGBAData(const char *text, int version, int level, unsigned int background,
                                              unsigned int foreground, unsigned int *buffer, int bufferSize,
                                              int *widthOut, int *heightOut)
{
    if (!buffer || bufferSize <= 0)
        return 0;
    Symbol s(text, version, level);
    if (!s.ok())
        return 0;
    const int w = s.width();
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(w) * 4 > static_cast<uint64_t>(bufferSize))
        return 0;
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < w; ++x)
            buffer[y * w + x] = s.dark(x, y) ? foreground : background;
    if (widthOut)
        *widthOut = w;
    if (heightOut)
        *heightOut = w;
    return 1;
}

unsigned char *Quorvane_qrhelper_encode(const char *text, int version, int level, int scale, int *sideOut)
{
    if (scale <= 0)
        return nullptr;
    Symbol s(text, version, level);
    if (!s.ok())
        return nullptr;
    const int64_t side = static_cast<int64_t>(scale) * s.width();
    if (side > INT_MAX || static_cast<uint64_t>(side) > SIZE_MAX / static_cast<uint64_t>(side))
        return nullptr;
    const size_t n = static_cast<size_t>(side);
    auto *gray = static_cast<unsigned char *>(malloc(n * n));
    if (!gray)
        return nullptr;
    for (size_t y = 0; y < n; ++y) {
        unsigned char *line = gray + y * n;
        const int my = static_cast<int>(y / static_cast<size_t>(scale));
        for (int mx = 0; mx < s.width(); ++mx)
            memset(line + static_cast<size_t>(mx) * static_cast<size_t>(scale), s.dark(mx, my) ? 0x00 : 0xFF,
                   static_cast<size_t>(scale));
    }
    if (sideOut)
        *sideOut = static_cast<int>(side);
    return gray;
}

void Quorvane_qrhelper_free(unsigned char *buffer)
{
    free(buffer);
}

} // extern "C"

// Helpers shared by the imaging tests: owned malloc'ed buffers, hex literals, a small
// deterministic random source, BMP files built in memory and temporary files.
#ifndef TESTS_NZCOMMON_IMGPROCESS_IMGTEST_UTIL_H
#define TESTS_NZCOMMON_IMGPROCESS_IMGTEST_UTIL_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace imgtest {

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};
using Owned = std::unique_ptr<unsigned char, FreeDeleter>;

inline std::vector<unsigned char> Bytes(const unsigned char *p, int n)
{
    return p && n > 0 ? std::vector<unsigned char>(p, p + n) : std::vector<unsigned char>();
}

// "1D 76 30" -> {0x1D, 0x76, 0x30}
inline std::vector<unsigned char> Hex(const std::string &text)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// Deterministic pseudo-random bytes.
struct Lcg {
    uint32_t state;
    explicit Lcg(uint32_t seed) : state(seed) {}
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    unsigned char Byte() { return static_cast<unsigned char>(Next() & 0xFF); }
};

inline std::vector<unsigned char> RandomBytes(size_t n, uint32_t seed)
{
    Lcg r(seed);
    std::vector<unsigned char> v(n);
    for (auto &b : v)
        b = r.Byte();
    return v;
}

inline void Put16(std::vector<unsigned char> &v, size_t at, uint32_t x)
{
    v[at] = static_cast<unsigned char>(x);
    v[at + 1] = static_cast<unsigned char>(x >> 8);
}

inline void Put32(std::vector<unsigned char> &v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<unsigned char>(x >> (8 * i));
}

// An uncompressed BMP: rgb holds width * |height| pixels top-down (R, G, B) for 24 bits;
// for 1, 4 and 8 bits `indices` holds one palette index per pixel and `palette` the
// (B, G, R, 0) entries. A negative height stores the rows top-down.
inline std::vector<unsigned char> MakeBmp(int width, int height, int bits, const std::vector<unsigned char> &pixels,
                                          const std::vector<unsigned char> &palette = {})
{
    const int absH = height < 0 ? -height : height;
    const uint32_t rowBytes = static_cast<uint32_t>((width * bits + 31) / 32 * 4);
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
    std::vector<unsigned char> f(offset + rowBytes * absH, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 10, offset);
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<uint32_t>(width));
    Put32(f, 22, static_cast<uint32_t>(height));
    Put16(f, 26, 1);
    Put16(f, 28, static_cast<uint32_t>(bits));
    for (size_t i = 0; i < palette.size(); ++i)
        f[54 + i] = palette[i];
    for (int y = 0; y < absH; ++y) {
        int fileRow = height < 0 ? y : absH - 1 - y;
        unsigned char *row = &f[offset + rowBytes * fileRow];
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                const unsigned char *p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
                row[x * 3] = p[2];
                row[x * 3 + 1] = p[1];
                row[x * 3 + 2] = p[0];
            } else {
                unsigned idx = pixels[static_cast<size_t>(y) * width + x];
                int per = 8 / bits;
                int shift = 8 - bits * (x % per + 1);
                row[x / per] = static_cast<unsigned char>(row[x / per] | (idx << shift));
            }
        }
    }
    return f;
}

// A file in a fresh temporary directory, removed with it.
class TempFile {
public:
    explicit TempFile(const std::vector<unsigned char> &content, const char *name = "image.bin")
    {
        char tmpl[] = "/tmp/imgtestXXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ + "/" + name;
        FILE *f = fopen(path_.c_str(), "wb");
        if (f) {
            if (!content.empty())
                fwrite(content.data(), 1, content.size(), f);
            fclose(f);
        }
    }
    ~TempFile()
    {
        unlink(path_.c_str());
        rmdir(dir_.c_str());
    }
    const char *path() const { return path_.c_str(); }

private:
    std::string dir_, path_;
};

} // namespace imgtest

#endif

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

#include "support/ImageFiles.h"

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

using quorvane_test::MakeBmp;

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

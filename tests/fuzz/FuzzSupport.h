// Shared pieces of the libFuzzer harnesses: the seed list every harness provides, a
// check that aborts (so the fuzzer reports the input), and a reader that takes
// parameters from the front of an input.
#ifndef TESTS_FUZZ_FUZZSUPPORT_H
#define TESTS_FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using FuzzBytes = std::vector<unsigned char>;

// Defined by each harness: the inputs its corpus starts from.
std::vector<FuzzBytes> FuzzSeeds();

// A broken promise of the code under test: report and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                                   \
    do {                                                                                                   \
        if (!(cond)) {                                                                                     \
            fprintf(stderr, "fuzz check failed: %s at %s:%d\n", #cond, __FILE__, __LINE__);                 \
            abort();                                                                                       \
        }                                                                                                  \
    } while (0)

// Takes fixed-size values from the front of the input; past the end every value is 0.
class FuzzReader {
public:
    FuzzReader(const uint8_t *data, size_t size) : p_(data), n_(size) {}
    uint8_t Byte()
    {
        if (n_ == 0)
            return 0;
        --n_;
        return *p_++;
    }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
    const uint8_t *Rest() const { return p_; }
    size_t RestSize() const { return n_; }
    FuzzBytes RestBytes() const { return FuzzBytes(p_, p_ + n_); }

private:
    const uint8_t *p_;
    size_t n_;
};

// Builders for seeds.
FuzzBytes FuzzHex(const std::string &text);   // "1D 76 30" or "1D7630"
FuzzBytes FuzzText(const std::string &text);  // the characters, no terminator
FuzzBytes FuzzCat(std::initializer_list<FuzzBytes> parts);

// Encoded images for the decoding harnesses: BMP of every bit count the own reader takes,
// and PNG, JPEG, GIF, TGA, PSD and compressed BMP files that go to stb_image.
std::vector<FuzzBytes> FuzzImageSeeds();

// True for files that stb_image would decode into more than 2^20 pixels but not more than
// the 2^26 the decoder takes: legal, yet seconds apiece under the sanitizers, so the image
// harnesses pass them by (larger ones are refused at once and stay in).
bool FuzzImageTooSlow(const uint8_t *data, size_t size);

#endif

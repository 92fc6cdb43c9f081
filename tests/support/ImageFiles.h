// Test pictures and image files built in memory: photo-like, text-like and noise pictures
// from integer arithmetic only (the same bytes on every machine), PNG, JPEG and BMP
// encodings of them (BMP through TestImages.h), and a 64-bit FNV-1a hash for comparing long outputs with recorded ones.
#ifndef QUORVANE_TESTS_SUPPORT_IMAGEFILES_H
#define QUORVANE_TESTS_SUPPORT_IMAGEFILES_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/TestImages.h" // MakeBmp, the one BMP writer

namespace quorvane_test {

enum PictureKind { kPhoto, kText, kNoise };

// w x h pixels of `channels` bytes (1 gray, 3 RGB, 4 RGBA with varying alpha).
std::vector<unsigned char> MakePicture(PictureKind kind, int w, int h, int channels, uint32_t seed = 1);

std::vector<unsigned char> Png(int w, int h, int channels, const std::vector<unsigned char> &pixels);
std::vector<unsigned char> Jpeg(int w, int h, int channels, const std::vector<unsigned char> &pixels,
                                int quality = 90);

uint64_t Fnv64(const unsigned char *data, size_t len);
inline uint64_t Fnv64(const std::vector<unsigned char> &v) { return Fnv64(v.data(), v.size()); }

} // namespace quorvane_test

#endif

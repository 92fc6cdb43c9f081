// Buffers for whole pictures. A decoded photo or a file read whole takes many megabytes,
// and a fresh buffer pays one page fault per 4 KB page on first touch, which can cost more
// than the decoding itself. These allocate with malloc and ask the kernel to back the
// aligned middle of a large block with huge pages, so the block faults in a few steps.
// The memory is released with free() as usual.
#ifndef NZCOMMON_IMGPROCESS_IMGALLOC_H
#define NZCOMMON_IMGPROCESS_IMGALLOC_H

#include <cstddef>
#include <cstdlib>
#include <memory>

#include "ports/NZUtils.h"

// malloc(size), with huge pages advised for a block of 4 MB or more.
void *NZImg_Alloc(size_t size);

// realloc(p, size) under the same rule.
void *NZImg_Realloc(void *p, size_t size);

// Owner of a malloc'ed buffer: frees it when it goes out of scope, also when an exception
// passes. Buffers handed to a caller (who frees them with free()) leave it by release().
using NZImgFree = NZFree;
template <typename T>
using NZImgOwned = std::unique_ptr<T, NZImgFree>;

#endif

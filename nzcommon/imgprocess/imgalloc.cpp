#include "nzcommon/imgprocess/imgalloc.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

namespace {

// Huge page size of x86-64 and arm64 with 4 KB pages. Advising whole aligned pieces of
// this size only: a piece the block does not cover entirely is left as it is.
const uintptr_t kHugePage = uintptr_t(2) << 20;

void AdviseHugePages(void *p, size_t size)
{
#ifdef MADV_HUGEPAGE
    if (!p || size < 2 * kHugePage)
        return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + size) & ~(kHugePage - 1);
    // Only a hint: where the kernel refuses, the block keeps its small pages.
    if (end > begin)
        (void)madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)size;
#endif
}

} // namespace

void *NZImg_Alloc(size_t size)
{
    void *p = malloc(size);
    AdviseHugePages(p, size);
    return p;
}

void *NZImg_Realloc(void *p, size_t size)
{
    void *q = realloc(p, size);
    AdviseHugePages(q, size);
    return q;
}

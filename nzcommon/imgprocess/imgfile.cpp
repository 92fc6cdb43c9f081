// Whole-file reading.
#include "nzcommon/imgprocess/imgfile.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "nzcommon/imgprocess/imgalloc.h"
#include "ports/NZUtils.h"

namespace {

// Closes the file when its owner goes out of scope, also when a cancelled thread unwinds
// out of a read. The close runs with a cancel held off: a cancel acting inside it would
// leave a destructor by unwinding, which ends the process.
struct FileCloser {
    void operator()(FILE *f) const
    {
        NZCancelDeferral deferral;
        fclose(f);
    }
};
typedef std::unique_ptr<FILE, FileCloser> OwnedFile;

} // namespace

int nzbmp_GetFileSize(const char *path)
{
    if (!path)
        return -1;
    const OwnedFile f(fopen(path, "rb"));
    if (!f)
        return -1;
    long size = -1;
    if (fseek(f.get(), 0, SEEK_END) == 0)
        size = ftell(f.get());
    if (size < 0 || size > INT_MAX)
        return -1;
    return static_cast<int>(size);
}

int nzbmp_ReadFile(const char *path, unsigned char *buffer, int length)
{
    if (!path || length < 0 || (!buffer && length > 0))
        return -1;
    const OwnedFile f(fopen(path, "rb"));
    if (!f)
        return -1;
    const size_t n = length > 0 ? fread(buffer, 1, static_cast<size_t>(length), f.get()) : 0;
    return static_cast<int>(n);
}

unsigned char *Quorvane_ImgUtils_ReadFile(const char *path, int *outSize)
{
    int size = nzbmp_GetFileSize(path);
    if (outSize)
        *outSize = size;
    if (size <= 0)
        return nullptr;
    NZImgOwned<unsigned char> buf(static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(size))));
    if (!buf || nzbmp_ReadFile(path, buf.get(), size) != size)
        return nullptr;
    return buf.release();
}

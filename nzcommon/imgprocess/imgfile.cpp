// Whole-file reading.
#include "nzcommon/imgprocess/imgfile.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "nzcommon/imgprocess/imgalloc.h"

int nzbmp_GetFileSize(const char *path)
{
    if (!path)
        return -1;
    FILE *f = fopen(path, "rb");
    if (!f)
        return -1;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0)
        size = ftell(f);
    fclose(f);
    if (size < 0 || size > INT_MAX)
        return -1;
    return static_cast<int>(size);
}

int nzbmp_ReadFile(const char *path, unsigned char *buffer, int length)
{
    if (!path || length < 0 || (!buffer && length > 0))
        return -1;
    FILE *f = fopen(path, "rb");
    if (!f)
        return -1;
    size_t n = length > 0 ? fread(buffer, 1, static_cast<size_t>(length), f) : 0;
    fclose(f);
    return static_cast<int>(n);
}

unsigned char *Quorvane_ImgUtils_ReadFile(const char *path, int *outSize)
{
    int size = nzbmp_GetFileSize(path);
    if (outSize)
        *outSize = size;
    if (size <= 0)
        return nullptr;
    unsigned char *buf = static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(size)));
    if (!buf)
        return nullptr;
    if (nzbmp_ReadFile(path, buf, size) != size) {
        free(buf);
        return nullptr;
    }
    return buf;
}

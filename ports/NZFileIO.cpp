#include "ports/NZFileIO.h"

#include <cstdlib>

#include "ports/NZUtils.h"

NZFileIO::NZFileIO() : m_file(nullptr) {}
NZFileIO::~NZFileIO() {}

bool NZFileIO::OpenMode(const char *path, const char *mode, int whence)
{
    if (!path || !BeginOpen())
        return false;
    FILE *f = fopen(path, mode);
    if (!f)
        return false;
    fseek(f, 0, whence);
    m_file = f;
    MarkOpenedWriteOnly();
    return IsOpened();
}

bool NZFileIO::Open(const char *path) { return OpenNew(path); }
bool NZFileIO::OpenNew(const char *path) { return OpenMode(path, "wb+", SEEK_SET); }
bool NZFileIO::OpenNewA(const char *path) { return OpenNew(path); }
bool NZFileIO::OpenAppend(const char *path) { return OpenMode(path, "ab+", SEEK_END); }
bool NZFileIO::OpenAppendA(const char *path) { return OpenAppend(path); }

bool NZFileIO::OpenNewW(const wchar_t *path)
{
    char *narrow = NZStringUtils::nzutils_wcstombs_local(path);
    if (!narrow)
        return false;
    const bool ok = OpenNew(narrow);
    free(narrow);
    return ok;
}

bool NZFileIO::OpenAppendW(const wchar_t *path)
{
    char *narrow = NZStringUtils::nzutils_wcstombs_local(path);
    if (!narrow)
        return false;
    const bool ok = OpenAppend(narrow);
    free(narrow);
    return ok;
}

void NZFileIO::BaseClose()
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
}

int NZFileIO::BaseWrite(const unsigned char *data, unsigned int len, unsigned int)
{
    if (!m_file || (!data && len != 0))
        return -1;
    const size_t n = fwrite(data, 1, len, m_file);
    if (fflush(m_file) != 0 || n != len)
        return -1;
    return static_cast<int>(n);
}

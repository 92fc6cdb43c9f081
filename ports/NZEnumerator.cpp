#include "ports/NZEnumerator.h"

#include <cstdlib>
#include <cstring>

#include "ports/NZUtils.h"

NZStringListWriter::NZStringListWriter(char *out, unsigned int room)
    : m_out(out), m_room(out ? room : 0), m_needed(0), m_count(0)
{
}

void NZStringListWriter::Add(const char *entry)
{
    if (!entry)
        return;
    const size_t n = strlen(entry);
    m_needed += static_cast<unsigned int>(n + 2);
    if (n + 1 < m_room) {
        memcpy(m_out, entry, n + 1);
        m_out[n + 1] = 0; // closing NUL, overwritten by the next entry
        m_out += n + 1;
        m_room -= static_cast<unsigned int>(n + 1);
        ++m_count;
    }
}

int NZStringListWriter::Finish(unsigned int *needed)
{
    if (m_count == 0 && m_out && m_room >= 1)
        m_out[0] = 0;
    if (needed)
        *needed = m_needed;
    return m_count;
}

int NZEnumerator::Enumerate(char *, unsigned int, unsigned int *needed)
{
    if (needed)
        *needed = 0;
    return 0;
}

int NZEnumerator::EnumerateA(char *out, unsigned int room, unsigned int *needed)
{
    return Enumerate(out, room, needed);
}

int NZEnumerator::EnumerateW(wchar_t *out, unsigned int room, unsigned int *needed)
{
    if (needed)
        *needed = 0;
    if (!out)
        room = 0;
    unsigned int narrowSize = 0;
    Enumerate(nullptr, 0, &narrowSize);
    if (narrowSize == 0) {
        if (out && room >= sizeof(wchar_t))
            out[0] = 0;
        return 0;
    }
    char *narrow = static_cast<char *>(calloc(narrowSize, 1));
    if (!narrow)
        return 0;
    Enumerate(narrow, narrowSize, nullptr);
    unsigned int total = 0;
    int count = 0;
    wchar_t *dst = out;
    for (const char *p = narrow; p < narrow + narrowSize && *p; p += strlen(p) + 1) {
        wchar_t *wide = NZStringUtils::nzutils_mbstowcs_local(p);
        if (!wide)
            continue;
        const size_t len = wcslen(wide);
        const size_t need = (len + 2) * sizeof(wchar_t);
        total += static_cast<unsigned int>(need);
        if (dst && room >= need) {
            memcpy(dst, wide, (len + 1) * sizeof(wchar_t));
            dst[len + 1] = 0;
            dst += len + 1;
            room -= static_cast<unsigned int>((len + 1) * sizeof(wchar_t));
            ++count;
        }
        free(wide);
    }
    free(narrow);
    if (count == 0 && out && room >= sizeof(wchar_t))
        out[0] = 0;
    if (needed)
        *needed = total;
    return count;
}

void NZBtDeviceEnumerator::EnumBtDeviceA(unsigned int, int *, NZBtDeviceFoundA, const void *) {}
void NZBtDeviceEnumerator::EnumBtDeviceW(unsigned int, int *, NZBtDeviceFoundW, const void *) {}
void NZBleDeviceEnumerator::EnumBtDeviceA(unsigned int, int *, NZBtDeviceFoundA, const void *) {}
void NZBleDeviceEnumerator::EnumBtDeviceW(unsigned int, int *, NZBtDeviceFoundW, const void *) {}
void NZWiFiP2PDeviceEnumerator::EnumWiFiP2PDeviceA(unsigned int, int *, NZWiFiP2PDeviceFoundA, const void *) {}
void NZWiFiP2PDeviceEnumerator::EnumWiFiP2PDeviceW(unsigned int, int *, NZWiFiP2PDeviceFoundW, const void *) {}

#include "ports/NZHexStringUtils.h"

#include <cstdlib>
#include <cstring>

bool NZHexStringUtils::ip_string_to_bytes_a(const char *text, unsigned char *out)
{
    if (!text || !out)
        return false;
    // The text plus a closing dot must fit a 100-byte working copy.
    char work[100];
    const size_t len = strlen(text);
    if (len + 2 > sizeof(work))
        return false;
    memcpy(work, text, len);
    work[len] = '.';
    work[len + 1] = '\0';

    int stored = 0;
    size_t partStart = 0;
    for (size_t i = 0; i <= len; ++i) {
        if (work[i] != '.')
            continue;
        const size_t partLen = i - partStart;
        if (partLen < 1 || partLen > 3 || stored == 4)
            return false;
        char part[4];
        memcpy(part, work + partStart, partLen);
        part[partLen] = '\0';
        char *end = nullptr;
        const long value = strtol(part, &end, 10);
        if (end == part || value < 0 || value > 255)
            return false; // no digit, or out of range
        out[stored++] = static_cast<unsigned char>(value);
        partStart = i + 1;
    }
    return stored == 4;
}

bool NZHexStringUtils::mac_string_to_bytes_a(const char *text, unsigned char *out)
{
    if (!text || !out)
        return false;
    const size_t len = strlen(text);
    for (int group = 0; group < 6; ++group) {
        const size_t pos = static_cast<size_t>(group) * 3;
        if (pos >= len)
            return false;
        char *end = nullptr;
        const long value = strtol(text + pos, &end, 16);
        if (end == text + pos || value < 0 || value > 255)
            return false; // no hex digit, or out of range
        out[group] = static_cast<unsigned char>(value);
    }
    return true;
}

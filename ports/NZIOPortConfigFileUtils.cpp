#include "ports/NZIOPortConfigFileUtils.h"

#include <cstdio>

NZIOPortConfigFileUtils::NZIOPortConfigFileUtils(const char *, const char *) {}

bool NZIOPortConfigFileUtils::GetPortData(const char *, const char *defaultValue, char *out, unsigned int outSize)
{
    if (!out || outSize == 0)
        return false;
    snprintf(out, outSize, "%s", defaultValue ? defaultValue : "");
    return true;
}

bool NZIOPortConfigFileUtils::SetPortData(const char *, const char *) { return false; }

// Maps a USB port name to the name actually opened; here every name maps to itself and
// nothing is stored.
#ifndef QUORVANE_PORTS_NZIOPORTCONFIGFILEUTILS_H
#define QUORVANE_PORTS_NZIOPORTCONFIGFILEUTILS_H

class NZIOPortConfigFileUtils {
public:
    NZIOPortConfigFileUtils(const char *section, const char *fileName);

    // Writes the default value (cut to outSize bytes with its NUL) and returns true;
    // false when there is no output.
    bool GetPortData(const char *key, const char *defaultValue, char *out, unsigned int outSize);
    // Stores nothing; returns false.
    bool SetPortData(const char *key, const char *value);
};

#endif

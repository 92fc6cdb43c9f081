#include "ports/NZAirKissEncoder.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

unsigned char crc8Update(unsigned char crc, unsigned char byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<unsigned char>((crc >> 1) ^ 0x8C) : static_cast<unsigned char>(crc >> 1);
    return crc;
}

// Stores a need that was computed in 64 bits; a need beyond 32 bits cannot be met.
bool storeNeed(uint64_t need, unsigned int *needed)
{
    const bool fits = need <= UINT_MAX;
    if (needed)
        *needed = fits ? static_cast<unsigned int>(need) : 0;
    return fits;
}

struct ContentLayout {
    uint64_t dataLen;  // password + random byte + SSID
    uint64_t blocks;   // blocks of four bytes, the last one possibly shorter
    uint64_t perRepeat;
};

ContentLayout contentLayout(size_t ssidLen, size_t passwordLen)
{
    ContentLayout c;
    c.dataLen = static_cast<uint64_t>(passwordLen) + static_cast<uint64_t>(ssidLen) + 1;
    c.blocks = (c.dataLen + 3) / 4;
    c.perRepeat = 4 + 2 * c.blocks + c.dataLen;
    return c;
}

} // namespace

unsigned char NZAirKissEncoder_CRC8(const unsigned char *data, unsigned int count)
{
    unsigned char crc = 0;
    if (!data)
        return 0;
    for (unsigned int i = 0; i < count; ++i)
        crc = crc8Update(crc, data[i]);
    return crc;
}

unsigned int NZAirKissEncoder_FillLeadingPart(unsigned int *array, unsigned int room, unsigned int leadingCount,
                                              unsigned int *needed)
{
    const uint64_t need = 4ull * leadingCount;
    if (!storeNeed(need, needed) || !array || room < need || need == 0)
        return 0;
    for (uint64_t i = 0; i < need; ++i)
        array[i] = static_cast<unsigned int>(i % 4) + 1;
    return static_cast<unsigned int>(need);
}

unsigned int NZAirKissEncoder_FillMagicCode(unsigned int *array, unsigned int room, unsigned int magicRepeat,
                                            const char *ssid, const char *password, unsigned int *needed)
{
    if (!ssid || !password) {
        storeNeed(0, needed);
        return 0;
    }
    const uint64_t need = 4ull * magicRepeat;
    if (!storeNeed(need, needed) || !array || room < need || need == 0)
        return 0;
    const size_t ssidLen = strlen(ssid);
    const unsigned char total =
        static_cast<unsigned char>((ssidLen & 0xFF) + (strlen(password) & 0xFF) + 1);
    const unsigned char crc =
        NZAirKissEncoder_CRC8(reinterpret_cast<const unsigned char *>(ssid), static_cast<unsigned int>(ssidLen));
    const unsigned int high = total >> 4;
    const unsigned int group[4] = {high == 0 ? 8u : high, 0x10u | (total & 0x0Fu), 0x20u | (crc >> 4),
                                   0x30u | (crc & 0x0Fu)};
    for (uint64_t i = 0; i < need; ++i)
        array[i] = group[i % 4];
    return static_cast<unsigned int>(need);
}

unsigned int NZAirKissEncoder_FillPrefixCode(unsigned int *array, unsigned int room, const char *password,
                                             unsigned int *needed)
{
    if (!password) {
        storeNeed(0, needed);
        return 0;
    }
    storeNeed(4, needed);
    if (!array || room < 4)
        return 0;
    const unsigned char len = static_cast<unsigned char>(strlen(password) & 0xFF);
    const unsigned char crc = NZAirKissEncoder_CRC8(&len, 1);
    array[0] = 0x40u | (len >> 4);
    array[1] = 0x50u | (len & 0x0Fu);
    array[2] = 0x60u | (crc >> 4);
    array[3] = 0x70u | (crc & 0x0Fu);
    return 4;
}

unsigned int NZAirKissEncoder_FillSequenceData(unsigned int *array, unsigned int room, unsigned int index,
                                               const unsigned char *bytes, unsigned int count,
                                               unsigned int *needed)
{
    if (!bytes && count != 0) {
        storeNeed(0, needed);
        return 0;
    }
    const uint64_t need = static_cast<uint64_t>(count) + 2;
    if (!storeNeed(need, needed) || !array || room < need)
        return 0;
    // The CRC covers the block index (as one byte) followed by the block's bytes.
    unsigned char crc = crc8Update(0, static_cast<unsigned char>(index & 0xFF));
    for (unsigned int i = 0; i < count; ++i)
        crc = crc8Update(crc, bytes[i]);
    array[0] = 0x80u | (crc & 0x7Fu);
    array[1] = 0x80u | (index & 0x7Fu);
    for (unsigned int i = 0; i < count; ++i)
        array[2 + i] = 256u + bytes[i];
    return static_cast<unsigned int>(need);
}

unsigned int NZAirKissEncoder_FillContentData(unsigned int *array, unsigned int room, unsigned int contentRepeat,
                                              const char *ssid, const char *password, unsigned char randomByte,
                                              unsigned int *needed)
{
    if (!ssid || !password) {
        storeNeed(0, needed);
        return 0;
    }
    const size_t ssidLen = strlen(ssid);
    const size_t passwordLen = strlen(password);
    const ContentLayout layout = contentLayout(ssidLen, passwordLen);
    const uint64_t need = layout.perRepeat * contentRepeat;
    if (!storeNeed(need, needed) || !array || room < need || need == 0)
        return 0;

    unsigned char *data = static_cast<unsigned char *>(malloc(static_cast<size_t>(layout.dataLen)));
    if (!data)
        return 0;
    memcpy(data, password, passwordLen);
    data[passwordLen] = randomByte;
    memcpy(data + passwordLen + 1, ssid, ssidLen);

    uint64_t written = 0;
    for (unsigned int r = 0; r < contentRepeat; ++r) {
        written += NZAirKissEncoder_FillPrefixCode(array + written, 4, password, nullptr);
        for (uint64_t j = 0; j < layout.blocks; ++j) {
            const uint64_t offset = j * 4;
            const uint64_t left = layout.dataLen - offset;
            const unsigned int n = static_cast<unsigned int>(left < 4 ? left : 4);
            written += NZAirKissEncoder_FillSequenceData(array + written, n + 2, static_cast<unsigned int>(j),
                                                         data + offset, n, nullptr);
        }
    }
    free(data);
    return static_cast<unsigned int>(written);
}

unsigned int *NZAirKissEncoder_EncodeDataToLengthArray(const char *ssid, const char *password,
                                                       unsigned char randomByte, unsigned int leadingCount,
                                                       unsigned int magicRepeat, unsigned int contentRepeat,
                                                       unsigned int *count)
{
    if (count)
        *count = 0;
    if (!ssid || !password)
        return nullptr;
    unsigned int leadingNeed = 0, magicNeed = 0, contentNeed = 0;
    NZAirKissEncoder_FillLeadingPart(nullptr, 0, leadingCount, &leadingNeed);
    NZAirKissEncoder_FillMagicCode(nullptr, 0, magicRepeat, ssid, password, &magicNeed);
    NZAirKissEncoder_FillContentData(nullptr, 0, contentRepeat, ssid, password, randomByte, &contentNeed);
    // A part whose need does not fit 32 bits reports 0; refuse the whole array then.
    const bool leadingOk = leadingNeed != 0 || leadingCount == 0;
    const bool magicOk = magicNeed != 0 || magicRepeat == 0;
    const bool contentOk = contentNeed != 0 || contentRepeat == 0;
    const uint64_t total = static_cast<uint64_t>(leadingNeed) + magicNeed + contentNeed;
    if (!leadingOk || !magicOk || !contentOk || total > UINT_MAX ||
        total > SIZE_MAX / sizeof(unsigned int))
        return nullptr;
    if (count)
        *count = static_cast<unsigned int>(total);
    if (total == 0)
        return nullptr;

    unsigned int *array = static_cast<unsigned int *>(calloc(static_cast<size_t>(total), sizeof(unsigned int)));
    if (!array)
        return nullptr;
    unsigned int at = 0;
    at += NZAirKissEncoder_FillLeadingPart(array + at, static_cast<unsigned int>(total) - at, leadingCount, nullptr);
    at += NZAirKissEncoder_FillMagicCode(array + at, static_cast<unsigned int>(total) - at, magicRepeat, ssid,
                                         password, nullptr);
    at += NZAirKissEncoder_FillContentData(array + at, static_cast<unsigned int>(total) - at, contentRepeat, ssid,
                                           password, randomByte, nullptr);
    if (at != total) { // the content part could not get its work copy
        free(array);
        return nullptr;
    }
    return array;
}

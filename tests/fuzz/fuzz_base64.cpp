// Base64 both ways. Arbitrary text decodes into a buffer of exactly the room promised
// (length / 4 * 3) and never past it; arbitrary bytes encode to (n + 2) / 3 * 4 characters
// of the alphabet and decode back to themselves; a decoded text, encoded again, decodes to
// the same bytes.
#include "FuzzSupport.h"
#include "nzcommon/imgprocess/base64.h"

std::vector<FuzzBytes> FuzzSeeds()
{
    return {FuzzText("YWJj"), FuzzText("YQ=="), FuzzText("AA=="), FuzzText("YWJjZA"), FuzzText("YW-j"),
            FuzzText("+/+/"), FuzzText("YQ==YWJj"), FuzzHex("00 01 02 FF FE 80"), FuzzText("abc")};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 16))
        return 0;
    const int n = static_cast<int>(size);

    // Decoding: the text in a buffer of its exact length, the output of exactly its room.
    FuzzBytes text(data, data + size);
    FuzzBytes decoded(size / 4 * 3 + (size < 4 ? 1 : 0));
    const int got = base64_decode(reinterpret_cast<const char *>(text.data()), n, decoded.data());
    FUZZ_CHECK(got >= 0 && static_cast<size_t>(got) <= size / 4 * 3);
    if (size % 4 != 0)
        FUZZ_CHECK(got == 0);

    // Encoding the bytes, and back.
    const size_t chars = (size + 2) / 3 * 4;
    std::string encoded(chars + 1, '\x7F');
    FUZZ_CHECK(base64_encode(data, n, &encoded[0]) == static_cast<int>(chars));
    FUZZ_CHECK(encoded[chars] == '\0');
    for (size_t i = 0; i < chars; ++i) {
        const char c = encoded[i];
        FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                   c == '/' || (c == '=' && i + 2 >= chars));
    }
    FuzzBytes back(chars / 4 * 3 + 1);
    FUZZ_CHECK(base64_decode(encoded.data(), static_cast<int>(chars), back.data()) == n);
    FUZZ_CHECK(size == 0 || memcmp(back.data(), data, size) == 0);

    // What was decoded, encoded again, decodes to the same bytes.
    if (got > 0) {
        std::string again(static_cast<size_t>(got + 2) / 3 * 4 + 1, '\0');
        const int againChars = base64_encode(decoded.data(), got, &again[0]);
        FuzzBytes twice(static_cast<size_t>(againChars) / 4 * 3 + 1);
        FUZZ_CHECK(base64_decode(again.data(), againChars, twice.data()) == got);
        FUZZ_CHECK(memcmp(twice.data(), decoded.data(), static_cast<size_t>(got)) == 0);
    }
    return 0;
}

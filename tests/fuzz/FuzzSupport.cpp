// Seed writing for every harness: with QUORVANE_FUZZ_SEEDS=<dir> in the environment the
// harness stores its seeds there as seed-NNN and exits before fuzzing (scripts/fuzz.sh).
#include "FuzzSupport.h"

#include <initializer_list>

FuzzBytes FuzzHex(const std::string &text)
{
    FuzzBytes out;
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

FuzzBytes FuzzText(const std::string &text)
{
    return FuzzBytes(text.begin(), text.end());
}

FuzzBytes FuzzCat(std::initializer_list<FuzzBytes> parts)
{
    FuzzBytes out;
    for (const FuzzBytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *dir = getenv("QUORVANE_FUZZ_SEEDS");
    if (!dir || !*dir)
        return 0;
    std::vector<FuzzBytes> seeds = FuzzSeeds();
    for (size_t i = 0; i < seeds.size(); ++i) {
        char path[4096];
        snprintf(path, sizeof path, "%s/seed-%03zu", dir, i);
        FILE *f = fopen(path, "wb");
        if (!f || (!seeds[i].empty() && fwrite(seeds[i].data(), 1, seeds[i].size(), f) != seeds[i].size())) {
            fprintf(stderr, "cannot write %s\n", path);
            exit(1);
        }
        fclose(f);
    }
    exit(0);
}

// Random byte streams through the frame splitter and the package reader, fed in
// random chunks the way the receive path feeds them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "printer/AutoReplyHandlerPro.h"
#include "printer/NZProtoHandler.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Package {
    unsigned char type;
    unsigned short cmd;
    unsigned int para;
    Bytes data;
    size_t endIndex;
    bool operator==(const Package& o) const
    {
        return type == o.type && cmd == o.cmd && para == o.para && data == o.data && endIndex == o.endIndex;
    }
};

struct Driver {
    AutoReplyHandlerPro splitter;
    NZProtoHandlerPro reader;
    Bytes emitted;                 // splitter output in order, frames and data alike
    Bytes passed;                  // data only
    std::vector<Bytes> frames;
    std::vector<Package> packages;
    size_t pos = 0;

    void FeedChunk(const unsigned char* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i, ++pos) {
            unsigned char frame[8], pass[8];
            unsigned int fl = 0, pl = 0;
            ASSERT_TRUE(splitter.HandleReceivedData(p[i], frame, 8, &fl, pass, 8, &pl));
            ASSERT_TRUE(fl == 0 || pl == 0);
            if (fl) {
                ASSERT_EQ(8u, fl);
                ASSERT_TRUE(AutoReplyHandlerPro::IsFrame(frame));
                frames.emplace_back(frame, frame + 8);
            }
            emitted.insert(emitted.end(), frame, frame + fl);
            emitted.insert(emitted.end(), pass, pass + pl);
            passed.insert(passed.end(), pass, pass + pl);
            if (reader.HandleByte(p[i])) {
                const unsigned char* d = reader.GetResultRecvbuf();
                packages.push_back({reader.GetResultType(), reader.GetResultCmd(), reader.GetResultPara(),
                                    Bytes(d, d + reader.GetResultRecvlen()), pos});
                reader.ResetHandler();
            }
        }
    }

    void FeedInRandomChunks(const Bytes& in, std::mt19937& rng)
    {
        size_t at = 0;
        while (at < in.size()) {
            size_t n = std::min(in.size() - at, (size_t)std::uniform_int_distribution<int>(1, 100)(rng));
            FeedChunk(in.data() + at, n);
            at += n;
        }
    }
};

class StreamGen {
public:
    explicit StreamGen(unsigned seed, bool clean) : rng(seed), clean(clean) {}

    std::mt19937 rng;
    bool clean;  // no corruption, and no 03 or 53 outside the segments that own them
    std::vector<Bytes> frames;
    std::vector<Package> packages;

    int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    unsigned char Junk()
    {
        for (;;) {
            int k = Rand(0, 9);
            unsigned char b = k == 0 ? 0x53 : k == 1 ? 0x03 : (unsigned char)Rand(0, 255);
            if (!clean || (b != 0x53 && b != 0x03))
                return b;
        }
    }

    Bytes MakeFrame()
    {
        for (;;) {
            Bytes f = {0x53, 0, 0, 0, 0, 0, (unsigned char)Rand(0, clean ? 9 : 12), 0};
            for (int i = 1; i <= 5; ++i)
                f[i] = (unsigned char)Rand(0, 255);
            for (int i = 0; i < 7; ++i)
                f[7] ^= f[i];
            if (!clean || std::none_of(f.begin() + 1, f.end(), [](unsigned char b) { return b == 0x53 || b == 0x03; }))
                return f;
        }
    }

    Bytes MakePackage(Package* meta)
    {
        for (;;) {
            meta->type = (unsigned char)Rand(0, 255);
            meta->cmd = (unsigned short)Rand(0, 65535);
            meta->para = (unsigned int)rng();
            meta->data.assign((size_t)(Rand(0, 4) == 0 ? 0 : Rand(1, 60)), 0);
            for (unsigned char& b : meta->data)
                b = (unsigned char)(Rand(0, 5) == 0 ? 0x03 : Rand(0, 255));
            Bytes out(12 + meta->data.size());
            unsigned int n = 0;
            NZProtoHandler::GenerateSendPackage(meta->type, meta->cmd, meta->para, (unsigned int)meta->data.size(),
                                                meta->data.data(), out.data(), &n);
            if (!clean || std::find(out.begin(), out.end(), 0x53) == out.end())
                return out;
        }
    }

    Bytes Stream(size_t approxSize)
    {
        Bytes s;
        while (s.size() < approxSize) {
            int kind = Rand(0, clean ? 2 : 5);
            Bytes segment;
            if (kind == 0) {
                for (int n = Rand(0, 12); n > 0; --n)
                    segment.push_back(Junk());
            } else if (kind == 1) {
                segment = MakeFrame();
                if (clean)
                    frames.push_back(segment);
            } else {
                Package meta;
                segment = MakePackage(&meta);
                if (clean) {
                    meta.endIndex = s.size() + segment.size() - 1;
                    packages.push_back(meta);
                }
            }
            if (!clean) {
                if (kind >= 3 && !segment.empty())
                    segment[(size_t)Rand(0, (int)segment.size() - 1)] ^= (unsigned char)Rand(1, 255);  // corrupt
                if (kind == 5)
                    segment.resize((size_t)Rand(0, (int)segment.size()));  // cut short
            }
            s.insert(s.end(), segment.begin(), segment.end());
        }
        return s;
    }
};

// Every input byte comes out of the splitter once, in order, except the bytes
// it still holds at the end.
void ExpectSplitterAccountsForEveryByte(const Driver& d, const Bytes& in)
{
    Bytes all = d.emitted;
    const unsigned char* held = d.splitter.GetHeldBytes();
    all.insert(all.end(), held, held + d.splitter.GetHeldCount());
    ASSERT_EQ(in, all);
    ASSERT_LT(d.splitter.GetHeldCount(), 8u);
}

// Every package delivered is a run of input bytes ending where it completed,
// with both checks holding, and packages never overlap.
void ExpectPackagesComeFromInput(const Driver& d, const Bytes& in)
{
    size_t nextFree = 0;
    for (const Package& p : d.packages) {
        Bytes wire(12 + p.data.size());
        unsigned int n = 0;
        ASSERT_TRUE(NZProtoHandler::GenerateSendPackage(p.type, p.cmd, p.para, (unsigned int)p.data.size(),
                                                        p.data.data(), wire.data(), &n));
        ASSERT_GE(p.endIndex + 1, wire.size());
        size_t start = p.endIndex + 1 - wire.size();
        ASSERT_GE(start, nextFree);
        Bytes got(in.begin() + (long)start, in.begin() + (long)(p.endIndex + 1));
        if (p.data.empty())
            wire[11] = got[11];  // the data check of an empty package is not read
        ASSERT_EQ(wire, got);
        nextFree = p.endIndex + 1;
    }
}

}  // namespace

TEST(ReceiveStreamFuzz, RandomStreamsRandomChunks)
{
    size_t totalFrames = 0, totalPackages = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        StreamGen gen(seed, false);
        Bytes in = gen.Stream(1500);
        Driver chunked;
        chunked.FeedInRandomChunks(in, gen.rng);
        ASSERT_NO_FATAL_FAILURE(ExpectSplitterAccountsForEveryByte(chunked, in));
        ASSERT_NO_FATAL_FAILURE(ExpectPackagesComeFromInput(chunked, in));

        // Chunk boundaries change nothing.
        Driver whole;
        whole.FeedChunk(in.data(), in.size());
        ASSERT_EQ(whole.emitted, chunked.emitted);
        ASSERT_EQ(whole.frames, chunked.frames);
        ASSERT_TRUE(whole.packages == chunked.packages);
        totalFrames += chunked.frames.size();
        totalPackages += chunked.packages.size();
    }
    // The generator must actually exercise both parsers.
    EXPECT_GT(totalFrames, 1000u);
    EXPECT_GT(totalPackages, 1000u);
}

TEST(ReceiveStreamFuzz, CleanStreamsDeliverEveryFrameAndPackage)
{
    for (unsigned seed = 1000; seed < 1200; ++seed) {
        SCOPED_TRACE(seed);
        StreamGen gen(seed, true);
        Bytes in = gen.Stream(1500);
        Driver d;
        d.FeedInRandomChunks(in, gen.rng);
        ASSERT_NO_FATAL_FAILURE(ExpectSplitterAccountsForEveryByte(d, in));
        EXPECT_EQ(0u, d.splitter.GetHeldCount());
        EXPECT_EQ(gen.frames, d.frames);
        ASSERT_EQ(gen.packages.size(), d.packages.size());
        for (size_t i = 0; i < gen.packages.size(); ++i)
            ASSERT_TRUE(gen.packages[i] == d.packages[i]) << i;
        // Data is the input with the frames taken out.
        EXPECT_EQ(in.size() - 8 * gen.frames.size(), d.passed.size());
    }
}

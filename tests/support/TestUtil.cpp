#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <thread>

#include <thread>

#include "ports/NZUtils.h"

namespace quorvane_test {

Bytes Hex(const std::string &text)
{
    Bytes out;
    int nibble = -1;
    for (char c : text) {
        if (!isxdigit(static_cast<unsigned char>(c)))
            continue;
        const int v = isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10);
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<unsigned char>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

std::string ToHex(const unsigned char *data, size_t len)
{
    std::string s;
    char tmp[4];
    for (size_t i = 0; i < len; ++i) {
        snprintf(tmp, sizeof tmp, i ? " %02X" : "%02X", data[i]);
        s += tmp;
    }
    return s;
}

bool ReadWholeFile(const std::string &path, std::string &content)
{
    content.clear();
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        content.append(buf, n);
    fclose(f);
    return true;
}

namespace {

// Entries of a /proc directory, without "." and "..", or -1 if it cannot be read.
int CountEntries(const char *dir)
{
    int n = 0;
    DIR *d = opendir(dir);
    if (!d)
        return -1;
    while (struct dirent *e = readdir(d)) {
        if (e->d_name[0] != '.')
            ++n;
    }
    closedir(d);
    return n;
}

} // namespace

int CountOpenFds()
{
    const int n = CountEntries("/proc/self/fd");
    return n < 0 ? n : n - 1; // the directory's own descriptor
}

size_t CountOf(const std::string &text, const std::string &part)
{
    size_t n = 0;
    for (size_t at = 0; !part.empty() && (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

int CountThreads()
{
    // Some runtimes (ThreadSanitizer) add a helper thread at the first thread creation:
    // let that happen before anything is counted.
    static const bool warmed = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmed;
    return CountEntries("/proc/self/task");
}

void LeakCheck::Check(int timeoutMs) const
{
    EXPECT_TRUE(WaitFor([this] { return CountThreads() == threads; }, timeoutMs))
        << CountThreads() << " threads, " << threads << " before";
    EXPECT_EQ(fds, CountOpenFds());
}

bool WaitFor(const std::function<bool()> &cond, int timeoutMs)
{
    NZMsTimer timer(static_cast<uint64_t>(timeoutMs < 0 ? 0 : timeoutMs));
    while (!cond()) {
        if (timer.IsUp())
            return cond();
        NZIOSleep::SleepMs(1);
    }
    return true;
}

} // namespace quorvane_test

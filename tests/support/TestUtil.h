// Small helpers shared by the test suites.
#ifndef QUORVANE_TESTS_SUPPORT_TESTUTIL_H
#define QUORVANE_TESTS_SUPPORT_TESTUTIL_H

#include <functional>
#include <string>
#include <vector>

// Defined in AddressSanitizer and ThreadSanitizer builds: their allocators and address-space
// reservations are their own, so heap and address-space measures do not apply there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVANE_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVANE_TEST_SANITIZED 1
#endif
#endif

namespace quorvane_test {

typedef std::vector<unsigned char> Bytes;

// Parses "1B 70 00" style hex text.
Bytes Hex(const std::string &text);
std::string ToHex(const unsigned char *data, size_t len);
inline std::string ToHex(const Bytes &b) { return ToHex(b.data(), b.size()); }

// Reads the whole file into content; false (content empty) if it cannot be opened.
bool ReadWholeFile(const std::string &path, std::string &content);

// Number of open descriptors of this process.
int CountOpenFds();
// Number of threads of this process (runtime helper threads already started).
int CountThreads();

// Descriptors and threads counted when made; Check() expects the same counts again, the
// threads within timeoutMs (ending threads take a moment to leave).
struct LeakCheck {
    int fds = CountOpenFds();
    int threads = CountThreads();
    void Check(int timeoutMs = 2000) const;
};

// How many times part stands in text (captured output: how often a message was printed).
size_t CountOf(const std::string &text, const std::string &part);

// Polls cond every millisecond until it holds or timeoutMs passed; returns cond's last value.
bool WaitFor(const std::function<bool()> &cond, int timeoutMs);

} // namespace quorvane_test

#endif

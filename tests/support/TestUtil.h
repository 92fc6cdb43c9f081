// Small helpers shared by the test suites.
#ifndef QUORVANE_TESTS_SUPPORT_TESTUTIL_H
#define QUORVANE_TESTS_SUPPORT_TESTUTIL_H

#include <functional>
#include <string>
#include <vector>

namespace quorvane_test {

typedef std::vector<unsigned char> Bytes;

// Parses "1B 70 00" style hex text.
Bytes Hex(const std::string &text);
std::string ToHex(const unsigned char *data, size_t len);
inline std::string ToHex(const Bytes &b) { return ToHex(b.data(), b.size()); }

// Number of open descriptors of this process.
int CountOpenFds();
// Number of threads of this process (runtime helper threads already started).
int CountThreads();

// Polls cond every millisecond until it holds or timeoutMs passed; returns cond's last value.
bool WaitFor(const std::function<bool()> &cond, int timeoutMs);

} // namespace quorvane_test

#endif

// A printer behind a pseudo-terminal: the slave stands in for a serial or USB device
// node, a thread serves the master, records every byte and answers by rules (the same
// rule semantics as FakePrinter: each time the received bytes contain `when` once more,
// `reply` is sent).
#ifndef QUORVANE_TESTS_SUPPORT_PTYPRINTER_H
#define QUORVANE_TESTS_SUPPORT_PTYPRINTER_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/DeviceFixtures.h"
#include "support/PrinterAnswers.h"

namespace quorvane_test {

class PtyPrinter {
public:
    explicit PtyPrinter(const std::vector<AnswerRule> &rules);
    ~PtyPrinter();
    PtyPrinter(const PtyPrinter &) = delete;
    PtyPrinter &operator=(const PtyPrinter &) = delete;

    bool ok() const { return m_pty.ok(); }
    const std::string &slavePath() const { return m_pty.slavePath(); }
    std::string Received() const;
    bool WaitForReceivedCount(size_t count, int timeoutMs) const;

private:
    void Serve();

    PtyPair m_pty;
    std::vector<AnswerRule> m_rules;
    std::vector<size_t> m_ruleFrom;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    std::string m_received;
    std::atomic<bool> m_stop;
    std::thread m_thread;
};

} // namespace quorvane_test

#endif

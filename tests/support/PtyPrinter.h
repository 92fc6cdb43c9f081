// A printer at the far end of a pseudo-terminal, for serial, USB and parallel opens by
// device path: records what arrives and answers by rule, like FakePrinter. Hang() closes
// the far end, which the port sees as the device going away.
#ifndef QUORVANE_TESTS_PTYPRINTER_H
#define QUORVANE_TESTS_PTYPRINTER_H

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class PtyPrinter {
public:
    PtyPrinter();
    ~PtyPrinter();
    PtyPrinter(const PtyPrinter &) = delete;
    PtyPrinter &operator=(const PtyPrinter &) = delete;

    // False when no pty could be had.
    bool Ok() const { return m_master >= 0; }
    // The device path to open.
    const char *Path() const { return m_path; }
    // Each time the received bytes contain `when` once more, send `reply`.
    void AddRule(const std::string &when, const std::string &reply);
    // Sends bytes to the port now; they wait on the line until the port reads them.
    bool Send(const std::string &bytes);
    std::string Received() const;
    bool WaitForReceivedCount(size_t count, int timeoutMs) const;
    // Closes the far end (device lost).
    void Hang();

private:
    void Serve();

    int m_master;
    int m_slave; // kept open so the line stays up until Hang
    char m_path[128];
    std::atomic<bool> m_stop;
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_rules;
    std::vector<size_t> m_ruleFrom;
    std::string m_received;
    std::thread m_thread;
};

#endif

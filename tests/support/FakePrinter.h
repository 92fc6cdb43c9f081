// A scripted printer on 127.0.0.1 for tests: a TCP listener served by one thread that
// records every byte it receives and answers by script. Script and actions may be
// changed while it runs; every wait is bounded.
//
//     FakePrinter printer;                       // port 0: a free port is picked
//     printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex("53 01 02 03 00 02 00 51"));
//     ASSERT_TRUE(printer.Start());
//     ... connect to 127.0.0.1:printer.Port() ...
//     EXPECT_TRUE(printer.WaitForReceived(FakePrinter::Hex("10 05 FF 01 02"), 2000));
#ifndef QUORVANE_TESTS_FAKEPRINTER_H
#define QUORVANE_TESTS_FAKEPRINTER_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakePrinter {
public:
    // What happens to a connection after a rule fired or a byte limit was reached.
    enum class After { Nothing, Close, Reset };

    // port 0 picks a free port when started.
    explicit FakePrinter(uint16_t port = 0);
    ~FakePrinter();
    FakePrinter(const FakePrinter &) = delete;
    FakePrinter &operator=(const FakePrinter &) = delete;

    // Listens on 127.0.0.1 and starts serving; false when the port cannot be had.
    bool Start();
    // Why the last Start failed (an errno value), 0 after a good one.
    int StartError() const { return m_startError; }
    // Closes every connection and the listener and joins the thread.
    void Stop();
    uint16_t Port() const { return m_port; }

    // Script. Bytes sent to every new connection.
    void SetGreeting(const std::string &bytes);
    // Each time the bytes a connection received contain `when` once more, send `reply`
    // (may be empty), then do `after`.
    void AddRule(const std::string &when, const std::string &reply, After after = After::Nothing);
    void ClearRules();
    // A silent printer sends nothing at all (greeting and rules are skipped).
    void SetSilent(bool silent);
    // Once a connection has received `count` bytes in all, close or reset it.
    void DropAfterReceiving(size_t count, After how);
    // Refuse new connections right after accepting them (accept, then reset).
    void SetRefuse(bool refuse);
    // A stalled printer reads nothing from its connections (so it neither answers nor
    // notices a close) until it is let go again; the client's writes pile up.
    void SetStalled(bool stalled);

    // Actions on every connection open now (run on the serving thread, bounded wait).
    void Send(const std::string &bytes);
    void CloseAll();
    void ResetAll(); // abortive close: the peer sees a connection reset

    // Observations.
    std::string Received() const; // everything received, all connections, in arrival order
    size_t ReceivedCount() const;
    void ClearReceived();
    int Accepted() const; // connections accepted since Start
    int Live() const;     // connections open now
    bool WaitForReceived(const std::string &pattern, int timeoutMs) const;
    bool WaitForReceivedCount(size_t count, int timeoutMs) const;
    bool WaitForAccepted(int count, int timeoutMs) const;
    bool WaitForLive(int count, int timeoutMs) const;

    // "53 01 0a" (hex pairs, spaces optional) as bytes.
    static std::string Hex(const char *text);

private:
    struct Rule {
        std::string when;
        std::string reply;
        After after;
    };
    struct Conn {
        int fd;
        std::string received;
        std::vector<size_t> ruleFrom; // per rule: where the next match may start
        size_t total;
    };
    struct Command {
        enum Kind { SendBytes, CloseAllConns, ResetAllConns } kind;
        std::string bytes;
    };

    void Serve();
    void Wake();
    void Accept();
    // Returns false when the connection was ended.
    bool OnReadable(Conn &c);
    void End(Conn &c, After how);
    void SendTo(Conn &c, const std::string &bytes);
    template <typename Pred>
    bool WaitUntil(int timeoutMs, Pred pred) const;

    uint16_t m_port;
    int m_listenFd;
    int m_wakePipe[2];
    std::thread m_thread;
    bool m_running;
    int m_startError = 0;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    std::string m_greeting;
    std::vector<Rule> m_rules;
    bool m_silent;
    bool m_refuse;
    bool m_stalled;
    size_t m_dropAfter;
    After m_dropHow;
    std::vector<Command> m_commands;
    std::string m_received;
    int m_accepted;
    int m_live;
    bool m_stop;
    std::vector<Conn> m_conns; // serving thread only
};

#endif

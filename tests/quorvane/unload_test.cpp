// Unloading the shared library right after a close. A close leaves threads of the library
// finishing (the closed-event thread; a close asked for on another port's read thread runs
// on a thread of its own), so dlclose must leave the library mapped. Each case runs in a
// child process of its own: dlopen, open a TCP connection to a fake printer (it answers
// the half-close), close, dlclose, let those threads run, exit 0.
#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"

using quorvane_test::ChildOutcome;

namespace {

#define QUORVANE_ENTRY(name) decltype(&::name) name = reinterpret_cast<decltype(&::name)>(dlsym(so, #name))

// Set in the child before the received callback can run.
std::atomic<CP_Handle> g_closer{nullptr}, g_toClose{nullptr};
std::atomic<int> g_handedOffResult{-1};
decltype(&CP_Port_Close) g_close = nullptr;

// On A's read thread: closing B is handed to a thread of its own.
void CloseOtherOnReceive(CP_Handle h, const unsigned char *, unsigned int, void *)
{
    if (h != g_closer.load())
        return;
    CP_Handle other = g_toClose.exchange(nullptr);
    if (other)
        g_handedOffResult = g_close(other);
}

// Exit code 0 when every step worked; a step that failed gives its own code.
int OpenCloseUnload(bool handOff)
{
    FakePrinter printer;
    if (!printer.Start())
        return 2;
    void *so = dlopen(QUORVANE_SHARED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!so)
        return 3;
    QUORVANE_ENTRY(CP_Port_OpenTcp);
    QUORVANE_ENTRY(CP_Port_Close);
    QUORVANE_ENTRY(CP_Port_AddOnPortReceivedEvent);
    if (!CP_Port_OpenTcp || !CP_Port_Close || !CP_Port_AddOnPortReceivedEvent)
        return 4;
    CP_Handle a = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 2000, 0);
    if (!a)
        return 5;
    if (handOff) {
        CP_Handle b = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 2000, 0);
        if (!b || !printer.WaitForLive(2, 2000))
            return 6;
        g_close = CP_Port_Close;
        g_closer = a;
        g_toClose = b;
        CP_Port_AddOnPortReceivedEvent(CloseOtherOnReceive, nullptr);
        printer.Send("x"); // both connections receive it; A's callback closes B
        if (!quorvane_test::WaitFor([] { return g_handedOffResult.load() != -1; }, 2000) ||
            g_handedOffResult.load() != 1)
            return 7;
    }
    if (CP_Port_Close(a) != 1)
        return 8;
    if (dlclose(so) != 0)
        return 9;
    NZIOSleep::SleepMs(100); // the threads the close left run on
    return 0;
}

TEST(Unload, DlcloseRightAfterCloseKeepsLibraryCodeMapped)
{
    // Children are forked: let the threads of earlier tests' connections end first (each
    // holds its handle until it is done).
    ASSERT_TRUE(quorvane_test::WaitFor([] { return ptrs.Count() == 0; }, 3000));
    const struct {
        const char *name;
        bool handOff;
    } rows[] = {{"close", false}, {"close handed to a thread from another port's read thread", true}};
    for (const auto &row : rows) {
        const bool handOff = row.handOff;
        const std::vector<ChildOutcome> runs =
            quorvane_test::RunChildCases(30, [handOff](size_t) { return OpenCloseUnload(handOff); }, 10000, 8);
        // How the children ended, counted by kind, and what the first that failed printed.
        std::map<std::string, int> ends;
        std::string first;
        for (const ChildOutcome &o : runs) {
            const std::string end = std::string(o.exited ? "exit " : "signal ") + std::to_string(o.code);
            if (++ends[end] == 1 && end != "exit 0" && first.empty())
                first = end + ":\n" + o.output;
        }
        std::string counted;
        for (const auto &e : ends)
            counted += " " + e.first + " x" + std::to_string(e.second);
        EXPECT_EQ(ends["exit 0"], 30) << row.name << ":" << counted << "; the first failure:\n" << first;
    }
}

} // namespace

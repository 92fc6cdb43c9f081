// Several threads open, write, read and close connections to fake printers that drop
// connections at random. Built also under ThreadSanitizer; at the end no handle,
// descriptor or thread may be left over, and every open and close was reported once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"

using quorvane_test::CountOpenFds;
using quorvane_test::CountThreads;
using quorvane_test::WaitFor;

namespace {

std::atomic<int> g_opened{0}, g_failed{0}, g_closed{0}, g_status{0}, g_chunks{0};

void OnOpened(void *, const char *, void *) { ++g_opened; }
void OnFailed(void *, const char *, void *) { ++g_failed; }
void OnClosed(void *h, void *)
{
    ++g_closed;
    // Calls on a handle from the closed callback must be safe even if it is already gone.
    long long err;
    CP_Printer_GetPrinterStatusInfo(h, &err, nullptr, nullptr);
}
void OnStatus(void *, long long, long long, void *) { ++g_status; }
void OnReceived(void *, const unsigned char *, unsigned int, void *) { ++g_chunks; }

TEST(ConnectionStress, OpenWriteReadCloseWhilePrintersDropConnections)
{
    const int kPrinters = 3, kWorkers = 8, kRounds = 40;
    std::vector<std::unique_ptr<FakePrinter>> printers;
    for (int i = 0; i < kPrinters; ++i) {
        printers.emplace_back(new FakePrinter);
        FakePrinter &p = *printers.back();
        p.SetGreeting(FakePrinter::Hex("41 42 53 01 02 03 00 02 00 51 43"));
        p.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex("53 01 02 03 00 02 00 51"));
        p.AddRule(FakePrinter::Hex("10 05 FF 01 02"), FakePrinter::Hex("44 45 53 00 00 01 00 00 03 51"));
        ASSERT_TRUE(p.Start());
    }
    CP_Port_AddOnPortOpenedEvent(OnOpened, nullptr);
    CP_Port_AddOnPortOpenFailedEvent(OnFailed, nullptr);
    CP_Port_AddOnPortClosedEvent(OnClosed, nullptr);
    CP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
    CP_Port_AddOnPortReceivedEvent(OnReceived, nullptr);

    // Printers' own threads are up; count from here.
    const int fdsBefore = CountOpenFds();
    const int threadsBefore = CountThreads();

    std::atomic<bool> stopChaos{false};
    std::atomic<int> opens{0}, successes{0};
    std::thread chaos([&] {
        std::mt19937 rng(12345);
        while (!stopChaos) {
            NZIOSleep::SleepMs(static_cast<int>(rng() % 15));
            FakePrinter &p = *printers[rng() % kPrinters];
            if (rng() % 3 == 0)
                p.CloseAll();
            else
                p.ResetAll();
        }
    });

    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            std::mt19937 rng(static_cast<unsigned int>(w * 7919 + 1));
            for (int r = 0; r < kRounds; ++r) {
                FakePrinter &p = *printers[rng() % kPrinters];
                const int autoReply = (rng() % 4 == 0) ? 1 : 0;
                ++opens;
                CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", p.Port(), 3000, autoReply);
                if (!h)
                    continue;
                ++successes;
                for (int k = 0; k < 3; ++k) {
                    CP_Printer_ClearPrinterBuffer(h);
                    long long err = 0, info = 0, t = 0;
                    CP_Printer_GetPrinterStatusInfo(h, &err, &info, &t);
                    unsigned int count = 0;
                    CP_Printer_GetPrinterReceivedInfo(h, &count, &t);
                    char fw[32];
                    CP_Printer_GetPrinterFirmwareVersion(h, fw, sizeof(fw), nullptr);
                    NZIOSleep::SleepMs(static_cast<int>(rng() % 4));
                }
                CP_Port_Close(h);
            }
        });
    }
    for (std::thread &t : workers)
        t.join();
    stopChaos = true;
    chaos.join();

    EXPECT_TRUE(WaitFor([&] { return g_opened.load() + g_failed.load() == opens.load(); }, 5000));
    EXPECT_EQ(g_opened.load(), successes.load());
    EXPECT_TRUE(WaitFor([&] { return g_closed.load() == successes.load(); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threadsBefore; }, 5000))
        << CountThreads() << " threads, " << threadsBefore << " before";
    EXPECT_TRUE(WaitFor([&] { return CountOpenFds() == fdsBefore; }, 5000))
        << CountOpenFds() << " descriptors, " << fdsBefore << " before";
    EXPECT_GT(successes.load(), 0);

    CP_Port_RemoveOnPortOpenedEvent(OnOpened);
    CP_Port_RemoveOnPortOpenFailedEvent(OnFailed);
    CP_Port_RemoveOnPortClosedEvent(OnClosed);
    CP_Printer_RemoveOnPrinterStatusEvent(OnStatus);
    CP_Port_RemoveOnPortReceivedEvent(OnReceived);
    for (auto &p : printers)
        p->Stop();
}

} // namespace

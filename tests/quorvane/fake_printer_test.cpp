// The scripted fake printer itself: greeting, rules, recording, reset and close.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "support/FakePrinter.h"

namespace {

int Connect(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads until `want` bytes arrived, the peer closed or 2 s passed; errno-style result in *err.
std::string ReadSome(int fd, size_t want, int *err = nullptr)
{
    std::string out;
    if (err)
        *err = 0;
    for (int i = 0; i < 200 && out.size() < want; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0)
            continue;
        char buf[256];
        const ssize_t n = recv(fd, buf, sizeof(buf), 0);
        if (n <= 0) {
            if (err)
                *err = n == 0 ? -1 : errno;
            break;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

TEST(FakePrinter, HexParsing)
{
    EXPECT_EQ(FakePrinter::Hex("53 01 0a FF"), std::string("\x53\x01\x0a\xff", 4));
    EXPECT_EQ(FakePrinter::Hex("1D61ff"), std::string("\x1d\x61\xff", 3));
    EXPECT_EQ(FakePrinter::Hex(""), std::string());
}

TEST(FakePrinter, GreetingRulesAndRecording)
{
    FakePrinter p;
    p.SetGreeting("hi");
    p.AddRule("ping", "pong");
    ASSERT_TRUE(p.Start());
    ASSERT_NE(p.Port(), 0);
    const int fd = Connect(p.Port());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadSome(fd, 2), "hi");
    ASSERT_EQ(send(fd, "xxpi", 4, 0), 4);
    ASSERT_TRUE(p.WaitForReceived("xxpi", 2000));
    ASSERT_EQ(send(fd, "ngping", 6, 0), 6); // match split over two sends, then a second one
    EXPECT_EQ(ReadSome(fd, 8), "pongpong");
    EXPECT_EQ(p.Received(), "xxpingping");
    EXPECT_EQ(p.Accepted(), 1);
    close(fd);
    EXPECT_TRUE(p.WaitForLive(0, 2000));
}

TEST(FakePrinter, SilentPrinterAnswersNothing)
{
    FakePrinter p;
    p.SetGreeting("hi");
    p.AddRule("a", "b");
    p.SetSilent(true);
    ASSERT_TRUE(p.Start());
    const int fd = Connect(p.Port());
    ASSERT_EQ(send(fd, "a", 1, 0), 1);
    ASSERT_TRUE(p.WaitForReceived("a", 2000));
    EXPECT_EQ(ReadSome(fd, 1), "");
    close(fd);
}

TEST(FakePrinter, ResetCloseAndDropAfter)
{
    FakePrinter p;
    p.AddRule("bye", "", FakePrinter::After::Close);
    ASSERT_TRUE(p.Start());

    int err = 0;
    int fd = Connect(p.Port());
    ASSERT_TRUE(p.WaitForLive(1, 2000));
    p.ResetAll();
    ReadSome(fd, 1, &err);
    EXPECT_EQ(err, ECONNRESET);
    close(fd);

    fd = Connect(p.Port());
    ASSERT_EQ(send(fd, "bye", 3, 0), 3);
    ReadSome(fd, 1, &err);
    EXPECT_EQ(err, -1); // orderly close
    close(fd);

    p.DropAfterReceiving(4, FakePrinter::After::Reset);
    fd = Connect(p.Port());
    ASSERT_EQ(send(fd, "12345", 5, 0), 5);
    ReadSome(fd, 1, &err);
    EXPECT_EQ(err, ECONNRESET);
    close(fd);
    EXPECT_TRUE(p.WaitForLive(0, 2000));
    EXPECT_EQ(p.Accepted(), 3);
}

TEST(FakePrinter, SendToAllAndGivenPort)
{
    FakePrinter first;
    ASSERT_TRUE(first.Start());
    const uint16_t port = first.Port();
    first.Stop();
    FakePrinter p(port);
    ASSERT_TRUE(p.Start());
    EXPECT_EQ(p.Port(), port);
    const int a = Connect(port), b = Connect(port);
    ASSERT_TRUE(p.WaitForLive(2, 2000));
    p.Send("xyz");
    EXPECT_EQ(ReadSome(a, 3), "xyz");
    EXPECT_EQ(ReadSome(b, 3), "xyz");
    close(a);
    close(b);
}

} // namespace

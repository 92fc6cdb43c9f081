// The `test` program end to end: its listing and usage, the transport it picks, and for
// every row the bytes the printer receives and the lines shown, against stand-in
// printers (a pty behind serial, USB and parallel names, a TCP listener on 9100).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "support/DeviceFixtures.h"
#include "support/FakePrinter.h"
#include "support/PrinterAnswers.h"
#include "support/PtyPrinter.h"
#include "support/TestImages.h"
#include "support/TestUtil.h"

using namespace quorvane_test;

namespace {

const char *const kRowNames[44] = {
    "Test_Label_SampleTicket_55x30_1", "Test_Port_Write", "Test_Port_Read", "Test_Port_ReadUntilByte",
    "Test_Port_Available", "Test_Port_SkipAvailable", "Test_Port_IsConnectionValid",
    "Test_Printer_ClearPrinterBuffer", "Test_Pos_QueryRTStatus", "Test_Pos_QueryPrintResult",
    "Test_Pos_KickOutDrawer", "Test_Pos_Beep", "Test_Pos_PrintSelfTestPage", "Test_Pos_ResetPrinter",
    "Test_Pos_SetPrintSpeed_20", "Test_Pos_SetPrintSpeed_50", "Test_Pos_SetPrintSpeed_100",
    "Test_Pos_SetPrintDensity_0", "Test_Pos_SetPrintDensity_7", "Test_Pos_SetPrintDensity_15",
    "Test_Label_EnableLabelMode", "Test_Label_DisableLabelMode", "Test_Label_CalibrateLabel",
    "Test_Label_FeedLabel", "Test_Label_PageBegin", "Test_Label_PagePrint", "Test_Label_DrawText",
    "Test_Label_DrawTextInUTF8", "Test_Label_DrawTextInGBK", "Test_Label_DrawBarcode_UPCA",
    "Test_Label_DrawBarcode_UPCE", "Test_Label_DrawBarcode_EAN13", "Test_Label_DrawBarcode_EAN8",
    "Test_Label_DrawBarcode_CODE39", "Test_Label_DrawBarcode_ITF", "Test_Label_DrawBarcode_CODEBAR",
    "Test_Label_DrawBarcode_CODE93", "Test_Label_DrawBarcode_CODE128", "Test_Label_DrawQRCode",
    "Test_Label_DrawPDF417Code", "Test_Label_DrawLine", "Test_Label_DrawRect", "Test_Label_DrawBox",
    "Test_Label_DrawImageFromFile"};

const int kRunTimeoutMs = 60000;

std::string H(const char *hex) { return FakePrinter::Hex(hex); }

std::string Le16(unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

std::string Printable(const std::string &bytes)
{
    std::string s;
    char tmp[4];
    for (unsigned char c : bytes) {
        snprintf(tmp, sizeof tmp, "%02X ", c);
        s += tmp;
    }
    return s;
}

// What the program prints before running anything.
std::string Listing(bool usage)
{
    std::string s = usage ? "Usage: program port_name function_index\r\nExample: ./test /dev/usb/lp0 0\r\n" : "";
    s += "\r\nfunction list:\r\n\r\n";
    for (int i = 0; i < 44; ++i)
        s += std::to_string(i) + " " + kRowNames[i] + "\r\n";
    s += "\r\n\r\n";
    return s;
}

// Wide text from UTF-8 through glibc iconv to an encoding; empty when it cannot be
// converted (the library then sends nothing for the call).
std::string Encode(const std::string &utf8, const char *encoding)
{
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string();
    std::string out(utf8.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char *o = &out[0];
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0)
        return std::string();
    out.resize(out.size() - outLeft);
    return out;
}

// Label page pieces.
std::string Frame() { return H("1A 5B 01 00 00 00 00 80 01 90 01 00") + H("1A 26 01 00 00 00 00 80 01 90 01 01 00 01"); }
std::string Print() { return H("1A 4F 01 01"); }
std::string Text(unsigned x, unsigned y, unsigned a, unsigned b, const std::string &bytes)
{
    return H("1A 54 01") + Le16(x) + Le16(y) + Le16(a) + Le16(b) + bytes + std::string(1, '\0');
}
std::string Barcode(int type, const std::string &data)
{
    return H("1D 48 02 1A 30 00 0A 00 0A 00") + std::string(1, static_cast<char>(type)) + H("3C 02 00") + data +
           std::string(1, '\0');
}

const char kHelloUtf8[] = "Hello \xE4\xBD\xA0\xE5\xA5\xBD";
const char *const kSampleLines[8] = {
    "1234567890", "abcdefghijklmnopqrstuvwxyz", "ΑΒΓΔΕΖΗΘΙΚ∧ΜΝΞΟ∏Ρ∑ΤΥΦΧΨΩ", "αβγδεζηθικλμνξοπρστυφχψω",
    "你好，欢迎使用！", "你號，歡迎使用！", "梦を见る事が出来なければ", "왕관을 쓰려는자"};
const unsigned kSampleYs[8] = {10, 40, 70, 110, 140, 170, 210, 240};

std::string WideTextPage(int encodingNumber, const char *encoding)
{
    std::string s = H("1C 26 1B 39") + std::string(1, static_cast<char>(encodingNumber)) + Frame();
    for (int i = 0; i < 8; ++i) {
        const std::string bytes = Encode(kSampleLines[i], encoding);
        if (!bytes.empty())
            s += Text(10, kSampleYs[i], 24, 0, bytes);
    }
    return s + Print();
}

const std::string kRTStatusRequest = H("10 04 01 10 04 02 10 04 03 10 04 04");
const std::string kPrintResultRequest0 = H("1D 28 48 06 00 30 30 00 00 00 00");

// The image file the program prints: 64 x 32, left half black, right half white.
std::string HalfBlackImage() { return AsString(HalfBlackBmp(64, 32)); }

std::string ImagePage()
{
    std::string raster;
    for (int y = 0; y < 32; ++y)
        raster += H("FF FF FF FF 00 00 00 00");
    return H("1A 5B 01 00 00 00 00 80 01 58 02 00") + H("1A 21 01 00 00 00 00 40 00 20 00 00 00") + raster + Print();
}

struct RowCase {
    int index;
    std::string bytes;  // what the printer receives first
    std::string poll;   // may follow any number of times (queries that repeat their request)
    std::string shown;  // lines after the row name
};

std::vector<RowCase> RowCases()
{
    std::vector<RowCase> rows;
    const std::string sampleTicket =
        H("1C 26 1B 39 00") + H("1A 5B 01 00 00 00 00 80 01 C8 00 00") +
        H("1A 26 01 00 00 00 00 80 01 C8 00 01 00 01") + Text(10, 10, 24, 0, Encode("型号：R41K+", "GBK")) +
        Text(10, 40, 24, 0, Encode("MFG ：0000", "GBK")) + H("1D 48 02") +
        H("1A 30 00 0A 00 46 00 08 3C 02 00") + "No.123456" + std::string(1, '\0') +
        H("1A 31 00 04 01 F0 00 0A 00 04 00") + "No.123456" + std::string(1, '\0') + Print() + H("10 04 01") +
        kPrintResultRequest0;
    rows.push_back({0, sampleTicket, H("10 04 01"), "Print Success\r\n"});
    rows.push_back({1, H("12 54"), "", ""});
    rows.push_back({2, H("10 04 01"), "", "Status: 12\r\n"});
    rows.push_back({3, H("1F 28 4C 02 00 72 41"), "", std::string(kFakePrinterModel) + "\r\n"});
    rows.push_back({4, "", "", "available: 0\r\n"});
    rows.push_back({5, "", "", ""});
    rows.push_back({6, "", "", "valid: 1\r\n"});
    rows.push_back({7, H("10 05 FF 01 02"), "", ""});
    rows.push_back({8, kRTStatusRequest, kRTStatusRequest, "RTStatus: 12 12 12 12\r\n\r\n"});
    rows.push_back({9, H("10 04 01") + kPrintResultRequest0, H("10 04 01"), "Print Success\r\n"});
    rows.push_back({10, H("1B 70 00 64 64 1B 70 01 64 64"), "", ""});
    rows.push_back({11, H("1B 42 03 03"), "", ""});
    rows.push_back({12, H("12 54"), "", ""});
    rows.push_back({13, H("1B 40"), "", ""});
    rows.push_back({14, H("1F 28 73 02 00 14 00 12 54"), "", ""});
    rows.push_back({15, H("1F 28 73 02 00 32 00 12 54"), "", ""});
    rows.push_back({16, H("1F 28 73 02 00 64 00 12 54"), "", ""});
    rows.push_back({17, H("12 23 00 12 54"), "", ""});
    rows.push_back({18, H("12 23 07 12 54"), "", ""});
    rows.push_back({19, H("12 23 0F 12 54"), "", ""});
    rows.push_back({20, H("1F 28 4C 01 00 31"), "", ""});
    rows.push_back({21, H("1F 28 4C 01 00 00"), "", ""});
    rows.push_back({22, H("1F 63"), "", ""});
    rows.push_back({23, H("1A 0C 00"), "", ""});
    rows.push_back({24, Frame() + Print(), "", ""});
    rows.push_back({25, Frame() + Print(), "", ""});
    {
        const unsigned t[8][4] = {{10, 10, 24, 0},   {10, 40, 24, 3},  {10, 70, 24, 0x2200}, {30, 130, 24, 0x10},
                                  {40, 200, 26, 0}, {40, 240, 28, 0}, {40, 280, 16, 0},     {40, 320, 21, 0}};
        std::string page = Frame();
        for (const auto &r : t)
            page += Text(r[0], r[1], r[2], r[3], std::string(19, '$'));
        rows.push_back({26, page + Print(), "", ""});
    }
    rows.push_back({27, WideTextPage(1, "UTF-8"), "", ""});
    rows.push_back({28, WideTextPage(0, "GBK"), "", ""});
    const char *const barcodes[9] = {"01234567890", "123456", "123456789012", "1234567", "123456",
                                     "123456",      "A123456A", "123456",     "No.123456"};
    for (int type = 0; type < 9; ++type)
        rows.push_back({29 + type, Frame() + Barcode(type, barcodes[type]) + Print(), "", ""});
    const std::string qr = H("1A 31 00 00 01 0A 00 0A 00 08 00") + kHelloUtf8 + std::string(1, '\0');
    rows.push_back({38, Frame() + qr + Print() + Frame() + qr + Print(), "", ""});
    rows.push_back({39,
                    Frame() + H("1A 31 01 03 00 03 0A 00 0A 00 03 00") + kHelloUtf8 + std::string(1, '\0') + Print(),
                    "", ""});
    rows.push_back({40, Frame() + H("1A 5C 01 14 00 14 00 64 00 2C 01 01 00 01") + Print(), "", ""});
    rows.push_back({41, Frame() + H("1A 2A 00 14 00 14 00 DC 00 1E 00 01") + Print(), "", ""});
    rows.push_back({42, Frame() + H("1A 26 01 1E 00 1E 00 4A 01 E6 00 01 00 01") + Print(), "", ""});
    rows.push_back({43, ImagePage(), "", ""});
    return rows;
}

// received is bytes followed by zero or more copies of poll.
::testing::AssertionResult BytesMatch(const std::string &received, const RowCase &row)
{
    if (received.size() < row.bytes.size() || received.compare(0, row.bytes.size(), row.bytes) != 0)
        return ::testing::AssertionFailure() << "row " << row.index << "\n expected: " << Printable(row.bytes)
                                             << "\n received: " << Printable(received);
    std::string rest = received.substr(row.bytes.size());
    while (!rest.empty() && !row.poll.empty() && rest.compare(0, row.poll.size(), row.poll) == 0)
        rest.erase(0, row.poll.size());
    if (!rest.empty())
        return ::testing::AssertionFailure() << "row " << row.index << ": unexpected bytes after the row's own: "
                                             << Printable(rest);
    return ::testing::AssertionSuccess();
}

// The library prints its own diagnostics on standard output too ("NZTcpClientIO_linux
// socket_recv: ...", "iconv failed ..."), some of them depending on timing; the program's
// own lines are what is compared.
std::string WithoutLibraryDiagnostics(const std::string &out)
{
    std::string kept;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        end = end == std::string::npos ? out.size() : end + 1;
        const std::string line = out.substr(start, end - start);
        const size_t space = line.find(' ');
        const bool diagnostic = (line.compare(0, 2, "NZ") == 0 && space != std::string::npos &&
                                 line.find(": ", space) != std::string::npos) ||
                                line.compare(0, 13, "iconv failed ") == 0;
        if (!diagnostic)
            kept += line;
        start = end;
    }
    return kept;
}

ProgramResult RunTest(const std::vector<std::string> &args, const std::string &cwd = "")
{
    std::vector<std::string> argv{QUORVANE_EXERCISER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramResult r = RunProgram(argv, cwd, kRunTimeoutMs);
    r.out = WithoutLibraryDiagnostics(r.out);
    return r;
}

// Runs one row against a pty printer reached through a device-like name.
struct PtyRun {
    ProgramResult result;
    std::string received;
};

PtyRun RunRowOnPty(const std::string &deviceName, const std::string &index, const std::string &status = ReadyStatus(),
                   size_t expectCount = 0)
{
    PtyRun run;
    TempDir dir;
    PtyPrinter printer;
    EXPECT_TRUE(printer.Ok());
    AddPrinterAnswers(printer, status);
    const size_t slash = deviceName.rfind('/');
    EXPECT_TRUE(dir.MakeDir(deviceName.substr(0, slash)));
    EXPECT_TRUE(dir.Symlink(printer.Path(), deviceName));
    EXPECT_TRUE(dir.WriteFile("blackwhite_1.bmp", HalfBlackImage()));
    run.result = RunTest({dir.Sub(deviceName), index}, dir.path());
    // Bytes written just before the close may still be on their way through the pty.
    if (expectCount)
        printer.WaitForReceivedCount(expectCount, 5000);
    else
        usleep(20000);
    run.received = printer.Received();
    return run;
}

// Serialises the users of the fixed TCP port 9100 across test processes and builds.
class Port9100Lock {
public:
    Port9100Lock() : m_fd(open("/tmp/quorvane-test-port-9100.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        if (m_fd >= 0)
            flock(m_fd, LOCK_EX);
    }
    ~Port9100Lock()
    {
        if (m_fd >= 0)
            close(m_fd); // releases the lock
    }

private:
    int m_fd;
};

} // namespace

TEST(ExerciserCommandLine, NoArgumentsShowsUsageAndListThenTriesDefaultUsbPort)
{
    if (access("/dev/usb/lp0", F_OK) == 0)
        GTEST_SKIP() << "a USB printer node exists here; the default run would print to it";
    const ProgramResult r = RunTest({});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(Listing(true) + "Can not open port. you can use sudo to retry.\r\n", r.out);
    EXPECT_EQ(1, r.exitCode);
}

TEST(ExerciserCommandLine, UnopenablePortsAreReportedWithNonZeroExit)
{
    const struct {
        std::vector<std::string> args;
        bool usage;
    } cases[] = {
        {{"COM1", "1"}, false},                        // matches no transport
        {{"/nonexistent/dev/ttyS99", "8"}, false},     // serial that cannot be opened
        {{"/nonexistent/dev/usb/lp9", "0"}, false},    // USB that cannot be opened
        {{"/nonexistent/dev/lp9", "1"}, false},        // parallel that cannot be opened
        {{"COM1"}, true},                              // wrong argument count: usage, then on
        {{"COM1", "1", "extra"}, true},
    };
    for (const auto &c : cases) {
        const ProgramResult r = RunTest(c.args);
        EXPECT_EQ(Listing(c.usage) + "Can not open port. you can use sudo to retry.\r\n", r.out) << c.args[0];
        EXPECT_EQ(1, r.exitCode) << c.args[0];
    }
}

TEST(ExerciserCommandLine, IndexOutsideTableOpensClosesAndRunsNothing)
{
    for (const char *index : {"44", "-1", "1000", "99999999999", "-99999999999"}) {
        const PtyRun run = RunRowOnPty("dev/ttyQV0", index);
        EXPECT_EQ(Listing(false), run.result.out) << index;
        EXPECT_EQ(2, run.result.exitCode) << index;
        EXPECT_EQ("", run.received) << index;
    }
}

TEST(ExerciserCommandLine, NonNumericIndexRunsRowZero)
{
    TempDir dir;
    PtyPrinter printer;
    AddPrinterAnswers(printer, ReadyStatus());
    ASSERT_TRUE(dir.MakeDir("dev"));
    ASSERT_TRUE(dir.Symlink(printer.Path(), "dev/ttyQV0"));
    const ProgramResult r = RunTest({dir.Sub("dev/ttyQV0"), "abc"}, dir.path());
    EXPECT_EQ(Listing(false) + kRowNames[0] + "\r\nPrint Success\r\n", r.out);
    EXPECT_EQ(0, r.exitCode);
}

// Every row over a serial name: the bytes of the row and the lines it shows.
class ExerciserRow : public ::testing::TestWithParam<int> {
};

TEST_P(ExerciserRow, OverSerialPty)
{
    const RowCase row = RowCases()[static_cast<size_t>(GetParam())];
    ASSERT_EQ(GetParam(), row.index);
    const PtyRun run = RunRowOnPty("dev/ttyQV0", std::to_string(row.index), ReadyStatus(), row.bytes.size());
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    EXPECT_EQ(Listing(false) + kRowNames[row.index] + "\r\n" + row.shown, run.result.out);
    EXPECT_TRUE(BytesMatch(run.received, row));
}

INSTANTIATE_TEST_SUITE_P(AllRows, ExerciserRow, ::testing::Range(0, 44));

TEST(ExerciserRows, RealTimeStatusShowsCoverAndPaperFlags)
{
    const struct {
        const char *status;
        const char *shown;
    } cases[] = {
        {"12 16 12 12", "RTStatus: 12 16 12 12\r\n[Cover Up]\r\n"},
        {"12 32 12 12", "RTStatus: 12 32 12 12\r\n[No Paper]\r\n"},
        {"12 36 12 12", "RTStatus: 12 36 12 12\r\n[Cover Up][No Paper]\r\n"},
    };
    for (const auto &c : cases) {
        const PtyRun run = RunRowOnPty("dev/ttyQV0", "8", H(c.status));
        EXPECT_EQ(Listing(false) + kRowNames[8] + "\r\n" + c.shown, run.result.out) << c.status;
    }
}

TEST(ExerciserRows, StoppedPrinterFailsThePrintResult)
{
    // Status byte 1A has bit 3 set: the printer is stopped, so no print-result request goes out.
    const PtyRun run = RunRowOnPty("dev/ttyQV0", "9", H("1A 12 12 12"));
    EXPECT_EQ(Listing(false) + kRowNames[9] + "\r\nPrint failed\r\n", run.result.out);
    EXPECT_EQ(H("10 04 01"), run.received);
}

TEST(ExerciserRows, ReadUntilByteShowsOnlyTheBytesReceived)
{
    // A printer that answers the model query with text and no terminating zero: the
    // exerciser shows what came, nothing beyond it.
    TempDir dir;
    PtyPrinter printer;
    printer.AddRule(H("1F 28 4C 02 00 72 41"), "ABC");
    ASSERT_TRUE(dir.MakeDir("dev"));
    ASSERT_TRUE(dir.Symlink(printer.Path(), "dev/ttyQV0"));
    const ProgramResult r = RunTest({dir.Sub("dev/ttyQV0"), "3"}, dir.path());
    EXPECT_EQ(Listing(false) + kRowNames[3] + "\r\nABC\r\n", r.out);
}

TEST(ExerciserRows, SilentPrinterGivesTheFailureTexts)
{
    const struct {
        int index;
        const char *shown;
    } cases[] = {{2, "Read failed\r\n"}, {3, "Read failed\r\n"}, {8, "Query failed\r\n"}};
    for (const auto &c : cases) {
        TempDir dir;
        PtyPrinter printer;
        ASSERT_TRUE(dir.MakeDir("dev"));
        ASSERT_TRUE(dir.Symlink(printer.Path(), "dev/ttyQV0"));
        const ProgramResult r = RunTest({dir.Sub("dev/ttyQV0"), std::to_string(c.index)}, dir.path());
        EXPECT_EQ(Listing(false) + kRowNames[c.index] + "\r\n" + c.shown, r.out) << c.index;
    }
}

TEST(ExerciserRows, UsbAndParallelNamesReachThePrinter)
{
    // USB writes are padded with zeros to 64-byte blocks.
    const PtyRun usbWrite = RunRowOnPty("dev/usb/lp0", "1", ReadyStatus(), 64);
    EXPECT_EQ(Listing(false) + kRowNames[1] + "\r\n", usbWrite.result.out);
    EXPECT_EQ(H("12 54") + std::string(62, '\0'), usbWrite.received);

    const PtyRun usbRead = RunRowOnPty("dev/usb/lp0", "2");
    EXPECT_EQ(Listing(false) + kRowNames[2] + "\r\nStatus: 12\r\n", usbRead.result.out);

    const PtyRun lpt = RunRowOnPty("dev/lp0", "13", ReadyStatus(), 2);
    EXPECT_EQ(Listing(false) + kRowNames[13] + "\r\n", lpt.result.out);
    EXPECT_EQ(H("1B 40"), lpt.received);
}

// Rows over TCP to 127.0.0.1:9100, the port the program dials for a name with a dot.
TEST(ExerciserRows, RowsOverTcp9100)
{
    Port9100Lock lock;
    FakePrinter printer(9100);
    AddPrinterAnswers(printer, ReadyStatus());
    // Other suites borrow the port for moments; wait for it (bounded).
    bool started = false;
    for (int i = 0; i < 300 && !(started = printer.Start()); ++i)
        usleep(100000);
    if (!started)
        GTEST_SKIP() << "127.0.0.1:9100 stayed in use by another program";
    TempDir dir;
    ASSERT_TRUE(dir.WriteFile("blackwhite_1.bmp", HalfBlackImage()));
    // The rows that read, and a few that only write.
    for (int index : {0, 1, 2, 3, 4, 6, 8, 9, 26, 38, 43}) {
        const RowCase row = RowCases()[static_cast<size_t>(index)];
        printer.ClearReceived();
        const ProgramResult r = RunTest({"127.0.0.1", std::to_string(row.index)}, dir.path());
        EXPECT_EQ(0, r.exitCode) << row.index << " " << r.err;
        EXPECT_EQ(Listing(false) + kRowNames[row.index] + "\r\n" + row.shown, r.out) << row.index;
        // The connection ends with the program; wait for the last bytes to be read.
        printer.WaitForLive(0, 3000);
        EXPECT_TRUE(BytesMatch(printer.Received(), row));
    }
}

// The fake printer program: the sample ticket against it, the recording, and a taken port.
TEST(FakePrinterProgram, SampleTicketPrintsAndIsRecorded)
{
    Port9100Lock lock;
    TempDir dir;
    const std::string log = dir.Sub("fake_printer.log"), recording = dir.Sub("received.bin");
    std::unique_ptr<BackgroundProgram> fake;
    std::string started;
    // Other suites borrow the port for moments: start again while it is taken (bounded).
    for (int attempt = 0; attempt < 100 && started.find("listening") == std::string::npos; ++attempt) {
        if (attempt)
            usleep(100000);
        fake.reset(new BackgroundProgram({QUORVANE_FAKE_PRINTER_PATH, "--out", recording}, log));
        ASSERT_TRUE(fake->started());
        started.clear();
        for (int i = 0; i < 500 && started.find("listening") == std::string::npos &&
                        started.find("already in use") == std::string::npos;
             ++i) {
            usleep(10000);
            ReadWholeFile(log, started);
        }
        if (started.find("already in use") != std::string::npos) {
            EXPECT_EQ(3, fake->Wait(5000));
        }
    }
    if (started.find("already in use") != std::string::npos)
        GTEST_SKIP() << "127.0.0.1:9100 stayed in use by another program";
    ASSERT_NE(std::string::npos, started.find("listening on 127.0.0.1:9100")) << started;

    const ProgramResult r = RunTest({"127.0.0.1", "0"}, dir.path());
    EXPECT_EQ(Listing(false) + kRowNames[0] + "\r\nPrint Success\r\n", r.out);
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ(0, fake->Stop(5000));

    std::string received;
    ASSERT_TRUE(ReadWholeFile(recording, received));
    EXPECT_NE(std::string::npos, received.find(H("1A 5B 01 00 00 00 00 80 01 C8 00 00")));
    EXPECT_NE(std::string::npos, received.find(H("1D 48 02 1A 30 00 0A 00 46 00 08 3C 02 00")));
    EXPECT_TRUE(BytesMatch(received, RowCases()[0]));
}

TEST(FakePrinterProgram, TakenPortIsReportedClearly)
{
    FakePrinter holder; // any free port, then the program is asked for the same one
    ASSERT_TRUE(holder.Start());
    TempDir dir;
    const std::string port = std::to_string(holder.Port());
    const ProgramResult r =
        RunProgram({QUORVANE_FAKE_PRINTER_PATH, "--port", port, "--out", dir.Sub("x.bin")}, "", 10000);
    EXPECT_EQ(3, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("port " + port + " on 127.0.0.1 is already in use")) << r.err;
}

TEST(FakePrinterProgram, BadArgumentsAreRefused)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--port", "70000"}, {"--status", "12 12"}, {"--bogus", "1"}, {"--port"}}) {
        std::vector<std::string> argv{QUORVANE_FAKE_PRINTER_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProgramResult r = RunProgram(argv, "", 10000);
        EXPECT_EQ(2, r.exitCode) << args[0];
    }
}

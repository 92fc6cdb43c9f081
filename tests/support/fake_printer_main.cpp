// fake_printer: a stand-in network printer on 127.0.0.1 for trying out `test`.
//
//   fake_printer [--port N] [--out FILE] [--status "12 12 12 12"]
//
// Listens on 127.0.0.1:N (9100 by default; 0 picks a free port), appends every byte it
// receives to FILE (fake_printer.bin by default) as it arrives, and answers real-time
// status requests (10 04 n with the n-th status byte), print-result requests (37 22 id
// 00 00 00 00) and the model query as a ready printer would. Runs until SIGINT or SIGTERM.
// Exit status: 0 after a normal stop, 2 for bad arguments, 3 when the port is taken.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "support/FakePrinter.h"
#include "support/PrinterAnswers.h"

namespace {

void Usage()
{
    fprintf(stderr, "usage: fake_printer [--port N] [--out FILE] [--status \"12 12 12 12\"]\n");
}

} // namespace

int main(int argc, char **argv)
{
    unsigned long port = 9100;
    std::string out = "fake_printer.bin";
    std::string status = quorvane_test::ReadyStatus();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            Usage();
            return 2;
        }
        if (arg == "--port") {
            char *end = nullptr;
            port = strtoul(argv[++i], &end, 10);
            if (!end || *end || port > 65535) {
                fprintf(stderr, "fake_printer: bad port '%s'\n", argv[i]);
                return 2;
            }
        } else if (arg == "--out") {
            out = argv[++i];
        } else if (arg == "--status") {
            status = FakePrinter::Hex(argv[++i]);
            if (status.size() != 4) {
                fprintf(stderr, "fake_printer: --status needs four hex bytes\n");
                return 2;
            }
        } else {
            Usage();
            return 2;
        }
    }

    FILE *file = fopen(out.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "fake_printer: cannot create %s: %s\n", out.c_str(), strerror(errno));
        return 2;
    }

    // SIGINT and SIGTERM are taken with sigtimedwait below, on this thread only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    FakePrinter printer(static_cast<uint16_t>(port));
    quorvane_test::AddPrinterAnswers(printer, status);
    if (!printer.Start()) {
        const int err = printer.StartError();
        if (err == EADDRINUSE)
            fprintf(stderr,
                    "fake_printer: port %lu on 127.0.0.1 is already in use by another program; "
                    "stop that program or choose another port with --port\n",
                    port);
        else
            fprintf(stderr, "fake_printer: cannot listen on 127.0.0.1:%lu: %s\n", port,
                    strerror(err ? err : EADDRINUSE));
        fclose(file);
        return 3;
    }
    printf("fake_printer: listening on 127.0.0.1:%u, recording to %s\n", static_cast<unsigned>(printer.Port()),
           out.c_str());
    fflush(stdout);

    size_t written = 0;
    auto record = [&] {
        const std::string received = printer.Received();
        if (received.size() > written) {
            fwrite(received.data() + written, 1, received.size() - written, file);
            fflush(file);
            written = received.size();
        }
    };
    for (;;) {
        timespec wait = {0, 20 * 1000 * 1000};
        const int sig = sigtimedwait(&stopSignals, nullptr, &wait);
        record();
        if (sig == SIGINT || sig == SIGTERM)
            break;
    }
    printer.Stop();
    record();
    fclose(file);
    printf("fake_printer: stopped after receiving %zu bytes in %d connection(s)\n", written, printer.Accepted());
    return 0;
}

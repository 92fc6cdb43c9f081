// How the stand-in printers answer: the real-time status requests, the print-result
// request and the model-name query. Shared by the fake printer program, the TCP fake
// printer in tests and the pty printer that stands in for serial, USB and parallel devices.
#ifndef QUORVANE_TESTS_SUPPORT_PRINTERANSWERS_H
#define QUORVANE_TESTS_SUPPORT_PRINTERANSWERS_H

#include <string>
#include <vector>

#include "support/TestUtil.h"

class FakePrinter;
class PtyPrinter;

namespace quorvane_test {

struct AnswerRule {
    std::string when;  // bytes that, once more received, trigger the reply
    std::string reply;
};

// Model text sent (followed by 00) in answer to 1F 28 4C 02 00 72 41.
extern const char *const kFakePrinterModel;

// Rules: 10 04 n answers status[n-1] (so the four-request string gets all four bytes in
// order); the print-result request with id d answers 37 22 d 00 00 00 00; the model
// query answers the model text and 00. status must hold four bytes.
std::vector<AnswerRule> PrinterAnswerRules(const std::string &status);
// Ready, paper loaded, cover closed: 12 12 12 12.
std::string ReadyStatus();

// A network printer's answer to a UDP configuration command: the command's header with
// "EPSONs", the reply length field `rest`, the command's MAC at macOffset, zero-padded to
// the reply's total length (14 + rest).
Bytes UdpConfigReply(const Bytes &sent, unsigned int rest, unsigned int macOffset);

// Installs the rules into a TCP fake printer or a pty printer.
void AddPrinterAnswers(FakePrinter &printer, const std::string &status);
void AddPrinterAnswers(PtyPrinter &printer, const std::string &status);

} // namespace quorvane_test

#endif

#include "support/PrinterAnswers.h"

#include <cstring>

#include "support/FakePrinter.h"
#include "support/PtyPrinter.h"

namespace quorvane_test {

const char *const kFakePrinterModel = "QV-FAKE-58";

std::string ReadyStatus() { return std::string(4, '\x12'); }

Bytes UdpConfigReply(const Bytes &sent, unsigned int rest, unsigned int macOffset)
{
    Bytes r(rest + 14, 0x00);
    memcpy(r.data(), "EPSONs", 6);
    memcpy(r.data() + 6, sent.data() + 6, 4);
    r[10] = static_cast<unsigned char>(rest >> 24);
    r[11] = static_cast<unsigned char>(rest >> 16);
    r[12] = static_cast<unsigned char>(rest >> 8);
    r[13] = static_cast<unsigned char>(rest);
    memcpy(r.data() + macOffset, sent.data() + macOffset, 6);
    return r;
}

std::vector<AnswerRule> PrinterAnswerRules(const std::string &status)
{
    std::vector<AnswerRule> rules;
    for (int n = 1; n <= 4; ++n) {
        const char request[] = {0x10, 0x04, static_cast<char>(n)};
        const char answer = status.size() >= 4 ? status[static_cast<size_t>(n - 1)] : '\x12';
        rules.push_back(AnswerRule{std::string(request, 3), std::string(1, answer)});
    }
    for (int id = 0; id < 10; ++id) {
        const char request[] = {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, static_cast<char>(id), 0, 0, 0};
        const char answer[] = {0x37, 0x22, static_cast<char>(id), 0, 0, 0, 0};
        rules.push_back(AnswerRule{std::string(request, sizeof(request)), std::string(answer, sizeof(answer))});
    }
    const char model[] = {0x1F, 0x28, 0x4C, 0x02, 0x00, 0x72, 0x41};
    rules.push_back(AnswerRule{std::string(model, sizeof(model)), std::string(kFakePrinterModel) + std::string(1, '\0')});
    return rules;
}

void AddPrinterAnswers(FakePrinter &printer, const std::string &status)
{
    for (const AnswerRule &r : PrinterAnswerRules(status))
        printer.AddRule(r.when, r.reply);
}

void AddPrinterAnswers(PtyPrinter &printer, const std::string &status)
{
    for (const AnswerRule &r : PrinterAnswerRules(status))
        printer.AddRule(r.when, r.reply);
}

} // namespace quorvane_test

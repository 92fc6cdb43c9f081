// Label-page exercises.
#include <cwchar>

#include "exercises.h"
#include "quorvane.h"

namespace {

// "Hello 你好" in UTF-8.
const char kHelloUtf8[] = "Hello \xE4\xBD\xA0\xE5\xA5\xBD";

int Checked(int ok)
{
    if (!ok)
        ShowMessage("Write failed");
    return ok ? 1 : 0;
}

// A 384 x 400 page with a one-dot frame.
void BeginFramedPage(void *h)
{
    CP_Label_PageBegin(h, 0, 0, 384, 400, 0);
    CP_Label_DrawBox(h, 0, 0, 384, 400, 1, 1);
}

int PrintPage(void *h) { return Checked(CP_Label_PagePrint(h, 1)); }

int FramedBarcode(void *h, int type, const char *data)
{
    BeginFramedPage(h);
    CP_Label_DrawBarcode(h, 10, 10, type, 2, 60, 2, 0, data);
    return PrintPage(h);
}

typedef int (*WideTextCall)(CP_Handle, int, int, int, int, const wchar_t *);

// Multi-byte mode with the given encoding, then one framed page of lines at x 10.
int FramedWideText(void *h, int encoding, WideTextCall draw, const int *ys, const wchar_t *const *lines, int count)
{
    CP_Pos_SetMultiByteMode(h);
    CP_Pos_SetMultiByteEncoding(h, encoding);
    BeginFramedPage(h);
    for (int i = 0; i < count; ++i)
        draw(h, 10, ys[i], 24, 0, lines[i]);
    return PrintPage(h);
}

} // namespace

int Test_Label_EnableLabelMode(void *h) { return Checked(CP_Label_EnableLabelMode(h)); }
int Test_Label_DisableLabelMode(void *h) { return Checked(CP_Label_DisableLabelMode(h)); }
int Test_Label_CalibrateLabel(void *h) { return Checked(CP_Label_CalibrateLabel(h)); }
int Test_Label_FeedLabel(void *h) { return Checked(CP_Label_FeedLabel(h)); }

int Test_Label_PageBegin_PagePrint(void *h)
{
    BeginFramedPage(h);
    return PrintPage(h);
}

int Test_Label_DrawText(void *h)
{
    static const int rows[][4] = {{10, 10, 24, 0},   {10, 40, 24, 3},  {10, 70, 24, 0x2200}, {30, 130, 24, 0x10},
                                  {40, 200, 26, 0}, {40, 240, 28, 0}, {40, 280, 16, 0},     {40, 320, 21, 0}};
    BeginFramedPage(h);
    for (const int *r : rows)
        CP_Label_DrawText(h, r[0], r[1], r[2], r[3], "$$$$$$$$$$$$$$$$$$$");
    return PrintPage(h);
}

namespace {

const int kSampleYs[] = {10, 40, 70, 110, 140, 170, 210, 240};
const wchar_t *const kSampleLines[] = {
    L"1234567890",
    L"abcdefghijklmnopqrstuvwxyz",
    // The 11th, 16th and 18th characters are the signs U+2227, U+220F and U+2211.
    L"\u0391\u0392\u0393\u0394\u0395\u0396\u0397\u0398\u0399\u039A\u2227\u039C\u039D\u039E\u039F\u220F\u03A1"
    L"\u2211\u03A4\u03A5\u03A6\u03A7\u03A8\u03A9",
    L"\u03B1\u03B2\u03B3\u03B4\u03B5\u03B6\u03B7\u03B8\u03B9\u03BA\u03BB\u03BC\u03BD\u03BE\u03BF\u03C0\u03C1"
    L"\u03C3\u03C4\u03C5\u03C6\u03C7\u03C8\u03C9",
    L"\u4F60\u597D\uFF0C\u6B22\u8FCE\u4F7F\u7528\uFF01",                      // 你好，欢迎使用！
    L"\u4F60\u865F\uFF0C\u6B61\u8FCE\u4F7F\u7528\uFF01",                      // 你號，歡迎使用！
    L"\u68A6\u3092\u89C1\u308B\u4E8B\u304C\u51FA\u6765\u306A\u3051\u308C\u3070", // 梦を见る事が出来なければ
    L"\uC655\uAD00\uC744 \uC4F0\uB824\uB294\uC790",                          // 왕관을 쓰려는자
};
const int kSampleCount = sizeof(kSampleYs) / sizeof(kSampleYs[0]);

} // namespace

int Test_Label_DrawTextInUTF8(void *h)
{
    return FramedWideText(h, 1, CP_Label_DrawTextInUTF8, kSampleYs, kSampleLines, kSampleCount);
}

int Test_Label_DrawTextInGBK(void *h)
{
    return FramedWideText(h, 0, CP_Label_DrawTextInGBK, kSampleYs, kSampleLines, kSampleCount);
}

int Test_Label_DrawTextInBIG5(void *h)
{
    static const int y[] = {10};
    return FramedWideText(h, 3, CP_Label_DrawTextInBIG5, y, &kSampleLines[5], 1);
}

int Test_Label_DrawTextInShiftJIS(void *h)
{
    static const int y[] = {10};
    return FramedWideText(h, 4, CP_Label_DrawTextInShiftJIS, y, &kSampleLines[6], 1);
}

int Test_Label_DrawTextInEUCKR(void *h)
{
    static const int y[] = {10};
    return FramedWideText(h, 5, CP_Label_DrawTextInEUCKR, y, &kSampleLines[7], 1);
}

int Test_Label_DrawTextInBytes(void *h)
{
    CP_Pos_SetMultiByteMode(h);
    CP_Pos_SetMultiByteEncoding(h, 0);
    BeginFramedPage(h);
    CP_Label_DrawTextInBytes(h, 10, 10, 24, 0, "1234567890", 3);
    return PrintPage(h);
}

int Test_Label_DrawBarcode_UPCA(void *h) { return FramedBarcode(h, 0, "01234567890"); }
int Test_Label_DrawBarcode_UPCE(void *h) { return FramedBarcode(h, 1, "123456"); }
int Test_Label_DrawBarcode_EAN13(void *h) { return FramedBarcode(h, 2, "123456789012"); }
int Test_Label_DrawBarcode_EAN8(void *h) { return FramedBarcode(h, 3, "1234567"); }
int Test_Label_DrawBarcode_CODE39(void *h) { return FramedBarcode(h, 4, "123456"); }
int Test_Label_DrawBarcode_ITF(void *h) { return FramedBarcode(h, 5, "123456"); }
int Test_Label_DrawBarcode_CODEBAR(void *h) { return FramedBarcode(h, 6, "A123456A"); }
int Test_Label_DrawBarcode_CODE93(void *h) { return FramedBarcode(h, 7, "123456"); }
int Test_Label_DrawBarcode_CODE128(void *h) { return FramedBarcode(h, 8, "No.123456"); }

int Test_Label_DrawQRCode(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawQRCode(h, 10, 10, 0, 1, 8, 0, kHelloUtf8);
    CP_Label_PagePrint(h, 1);
    BeginFramedPage(h);
    CP_Label_DrawQRCode(h, 10, 10, 0, 1, 8, 0, kHelloUtf8);
    return PrintPage(h);
}

int Test_Label_DrawQRCodeInUTF8(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawQRCodeInUTF8(h, 10, 10, 0, 1, 8, 0, L"Hello \u4F60\u597D");
    return PrintPage(h);
}

int Test_Label_DrawQRCodeInBytes(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawQRCodeInBytes(h, 10, 10, 0, 1, 8, 0, reinterpret_cast<const unsigned char *>("123456"), 3);
    return PrintPage(h);
}

int Test_Label_DrawPDF417Code(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawPDF417Code(h, 10, 10, 3, 3, 0, 3, 0, kHelloUtf8);
    return PrintPage(h);
}

int Test_Label_DrawLine(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawLine(h, 20, 20, 100, 300, 1, 1);
    return PrintPage(h);
}

int Test_Label_DrawRect(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawRect(h, 20, 20, 200, 10, 1);
    return PrintPage(h);
}

int Test_Label_DrawBox(void *h)
{
    BeginFramedPage(h);
    CP_Label_DrawBox(h, 30, 30, 300, 200, 1, 1);
    return PrintPage(h);
}

int Test_Label_DrawImageFromFile(void *h)
{
    CP_Label_PageBegin(h, 0, 0, 384, 600, 0);
    CP_Label_DrawImageFromFile(h, 0, 0, 0, 0, "blackwhite_1.bmp", 1, 0);
    return PrintPage(h);
}

int Test_Label_SampleTicket_55x30_1(void *h)
{
    CP_Pos_SetMultiByteMode(h);
    CP_Pos_SetMultiByteEncoding(h, 0);
    CP_Label_PageBegin(h, 0, 0, 384, 200, 0);
    CP_Label_DrawBox(h, 0, 0, 384, 200, 1, 1);
    CP_Label_DrawTextInGBK(h, 10, 10, 24, 0, L"\u578B\u53F7\uFF1AR41K+"); // 型号：R41K+
    CP_Label_DrawTextInGBK(h, 10, 40, 24, 0, L"MFG \uFF1A0000");
    CP_Label_DrawBarcode(h, 10, 70, 8, 2, 60, 2, 0, "No.123456");
    CP_Label_DrawQRCode(h, 240, 10, 4, 1, 4, 0, "No.123456");
    CP_Label_PagePrint(h, 1);
    return Test_Pos_QueryPrintResult(h);
}

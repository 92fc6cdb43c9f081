// The exerciser's exercises: each takes an opened connection handle and drives the
// printer through the library's C interface only. Every line of output goes through
// ShowMessage.
#ifndef QUORVANE_EXERCISER_EXERCISES_H
#define QUORVANE_EXERCISER_EXERCISES_H

// Prints text followed by "\r\n" on standard output.
void ShowMessage(const char *text);

typedef int (*CmdTestFunction)(void *handle);

struct CmdTestUnit {
    const char *name;
    CmdTestFunction function;
};

// The numbered exercise table.
extern const CmdTestUnit listCmdTestUnit[];
extern const int listCmdTestUnitSize;

// Exercises return 1 when their counted call succeeded, else 0 (main ignores it).
int Test_Port_Write(void *h);
int Test_Port_Read(void *h);
int Test_Port_ReadUntilByte(void *h);
int Test_Port_Available(void *h);
int Test_Port_SkipAvailable(void *h);
int Test_Port_IsConnectionValid(void *h);
int Test_Printer_ClearPrinterBuffer(void *h);
int Test_Pos_QueryRTStatus(void *h);
int Test_Pos_QueryPrintResult(void *h);
int Test_Pos_KickOutDrawer(void *h);
int Test_Pos_Beep(void *h);
int Test_Pos_PrintSelfTestPage(void *h);
int Test_Pos_ResetPrinter(void *h);
int Test_Pos_SetPrintSpeed_20(void *h);
int Test_Pos_SetPrintSpeed_50(void *h);
int Test_Pos_SetPrintSpeed_100(void *h);
int Test_Pos_SetPrintDensity_0(void *h);
int Test_Pos_SetPrintDensity_7(void *h);
int Test_Pos_SetPrintDensity_15(void *h);

int Test_Label_SampleTicket_55x30_1(void *h);
int Test_Label_EnableLabelMode(void *h);
int Test_Label_DisableLabelMode(void *h);
int Test_Label_CalibrateLabel(void *h);
int Test_Label_FeedLabel(void *h);
int Test_Label_PageBegin_PagePrint(void *h);
int Test_Label_DrawText(void *h);
int Test_Label_DrawTextInUTF8(void *h);
int Test_Label_DrawTextInGBK(void *h);
int Test_Label_DrawTextInBIG5(void *h);
int Test_Label_DrawTextInShiftJIS(void *h);
int Test_Label_DrawTextInEUCKR(void *h);
int Test_Label_DrawTextInBytes(void *h);
int Test_Label_DrawBarcode_UPCA(void *h);
int Test_Label_DrawBarcode_UPCE(void *h);
int Test_Label_DrawBarcode_EAN13(void *h);
int Test_Label_DrawBarcode_EAN8(void *h);
int Test_Label_DrawBarcode_CODE39(void *h);
int Test_Label_DrawBarcode_ITF(void *h);
int Test_Label_DrawBarcode_CODEBAR(void *h);
int Test_Label_DrawBarcode_CODE93(void *h);
int Test_Label_DrawBarcode_CODE128(void *h);
int Test_Label_DrawQRCode(void *h);
int Test_Label_DrawQRCodeInUTF8(void *h);
int Test_Label_DrawQRCodeInBytes(void *h);
int Test_Label_DrawPDF417Code(void *h);
int Test_Label_DrawLine(void *h);
int Test_Label_DrawRect(void *h);
int Test_Label_DrawBox(void *h);
int Test_Label_DrawImageFromFile(void *h);

#endif

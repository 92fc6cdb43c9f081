// test: opens the printer named on the command line and runs one numbered exercise.
//
//   test port-name exercise-index
//
// The port name picks the transport: "/dev/usb/lp" USB, "/dev/lp" parallel, "/dev/tty"
// serial (115200 8N1, XON/XOFF), anything with a dot TCP to port 9100.
// Exit status: 0 when the exercise ran, 1 when the port could not be opened, 2 when the
// index is outside the table.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exercises.h"
#include "quorvane.h"

void ShowMessage(const char *text) { printf("%s\r\n", text); }

namespace {

CP_Handle OpenPort(const char *name)
{
    if (strstr(name, "/dev/usb/lp"))
        return CP_Port_OpenUsb(name, 0);
    if (strstr(name, "/dev/lp"))
        return CP_Port_OpenLpt(name);
    if (strstr(name, "/dev/tty"))
        return CP_Port_OpenCom(name, 115200, CP_ComDataBits_8, CP_ComParity_NoParity, CP_ComStopBits_One,
                               CP_ComFlowControl_XonXoff, 0);
    if (strchr(name, '.'))
        return CP_Port_OpenTcp(nullptr, name, 9100, 5000, 0);
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        ShowMessage("Usage: program port_name function_index");
        ShowMessage("Example: ./test /dev/usb/lp0 0");
    }
    const char *portName = argc > 1 ? argv[1] : "/dev/usb/lp0";
    // Text that is not a number gives 0; numbers beyond int fall outside the table.
    const long parsed = argc > 2 ? strtol(argv[2], nullptr, 10) : 0;
    const int index = parsed < INT_MIN || parsed > INT_MAX ? -1 : static_cast<int>(parsed);

    ShowMessage("\r\nfunction list:\r\n");
    char line[128];
    for (int i = 0; i < listCmdTestUnitSize; ++i) {
        snprintf(line, sizeof(line), "%d %s", i, listCmdTestUnit[i].name);
        ShowMessage(line);
    }
    ShowMessage("\r\n");

    CP_Handle h = OpenPort(portName);
    if (!h) {
        ShowMessage("Can not open port. you can use sudo to retry.");
        fflush(stdout);
        return 1;
    }
    const bool inTable = index >= 0 && index < listCmdTestUnitSize;
    if (inTable) {
        ShowMessage(listCmdTestUnit[index].name);
        listCmdTestUnit[index].function(h);
    }
    CP_Port_Close(h);
    fflush(stdout);
    return inTable ? 0 : 2;
}

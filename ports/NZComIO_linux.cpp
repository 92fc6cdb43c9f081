#include "ports/NZComIO_linux.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
struct BaudRow {
    int rate;
    speed_t speed;
};

const BaudRow kBaudTable[] = {
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
    {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
};
}

NZComIO_linux::NZComIO_linux() {}
NZComIO_linux::~NZComIO_linux() {}

bool NZComIO_linux::LookupBaudrate(int baudrate, speed_t *speed)
{
    for (const BaudRow &row : kBaudTable) {
        if (row.rate == baudrate) {
            if (speed)
                *speed = row.speed;
            return true;
        }
    }
    return false;
}

bool NZComIO_linux::BuildTermios(struct termios *t, int baudrate, ComDataBits dataBits, ComParity parity,
                                 ComStopBits stopBits, ComFlowControl flowControl)
{
    speed_t speed;
    if (!t || !LookupBaudrate(baudrate, &speed))
        return false;
    memset(t, 0, sizeof(*t));
    cfsetospeed(t, speed);
    cfsetispeed(t, speed);
    switch (static_cast<int>(dataBits)) {
    case 5: t->c_cflag |= CS5; break;
    case 6: t->c_cflag |= CS6; break;
    case 7: t->c_cflag |= CS7; break;
    default: t->c_cflag |= CS8; break;
    }
    if (parity == ComParity_Odd)
        t->c_cflag |= PARENB | PARODD;
    else if (parity == ComParity_Even)
        t->c_cflag |= PARENB;
    if (stopBits == ComStopBits_Two)
        t->c_cflag |= CSTOPB;
    if (flowControl == ComFlowControl_XonXoff) {
        t->c_iflag |= IXON;
        t->c_cc[VSTART] = 0x11;
        t->c_cc[VSTOP] = 0x13;
    } else if (flowControl == ComFlowControl_RtsCts) {
        t->c_cflag |= CRTSCTS;
    }
    t->c_cflag |= CREAD | CLOCAL;
    // Raw mode: no input or output processing, no echo, no signals; reads return at once.
    t->c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    t->c_oflag &= ~OPOST;
    t->c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t->c_cc[VMIN] = 0;
    t->c_cc[VTIME] = 0;
    return true;
}

bool NZComIO_linux::Open(const char *path, int baudrate, ComDataBits dataBits, ComParity parity,
                         ComStopBits stopBits, ComFlowControl flowControl)
{
    if (!BeginOpen())
        return false;
    struct termios t;
    // An unsupported rate fails here rather than applying a record without a speed (hang-up).
    if (!BuildTermios(&t, baudrate, dataBits, parity, stopBits, flowControl))
        return false;
    const int fd = OpenDeviceNode(path, O_NOCTTY);
    if (fd < 0)
        return false;
    // Something that is not a terminal (a plain file, /dev/null) is no serial port.
    struct termios current;
    if (tcgetattr(fd, &current) == -1) {
        ::close(fd);
        return false;
    }
    tcsetattr(fd, TCSANOW, &t);
    return AttachDevice(fd, true) && IsOpened();
}

bool NZComIO_linux::SetBaudrate(int baudrate)
{
    NZDescriptorUse use(m_dev);
    if (use.fd() < 0)
        return false;
    struct termios t;
    if (tcgetattr(use.fd(), &t) == -1)
        return false;
    speed_t speed;
    if (!LookupBaudrate(baudrate, &speed))
        return false;
    if (cfsetospeed(&t, speed) == -1 || cfsetispeed(&t, speed) == -1 || tcsetattr(use.fd(), TCSANOW, &t) == -1)
        return false;
    return true;
}

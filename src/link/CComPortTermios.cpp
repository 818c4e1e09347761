// The POSIX channel's terminal set-up: opening the device, the line settings and the reports of
// their failures.
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/CComPort.h"
#include "link/CComPortPosix.h"
#include "link/LineRates.h"

namespace ql50 {

using posixport::Drain;
using posixport::Signal;
using posixport::SystemText;

namespace {

struct BaudRate {
    int rate;
    speed_t speed;
};

// The rates the terminal interface has constants for. Any other rate (config.ini can hold
// one, 1920 for example) is refused the way a driver refuses it.
constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedFor(int rate) {
    for (const BaudRate& entry : kBaudRates) {
        if (entry.rate == rate) return entry.speed;
    }
    return std::nullopt;
}

// What a second program on the line is told: it would take replies meant for the first.
constexpr char kPortInUse[] = "port in use by another program";

// Takes the line for this program alone. The lock is the one serial tools on Linux agree on
// (flock on the device); TIOCEXCL also turns away programs that do not lock (except those run
// as root). False when another program holds the lock. A device that is no terminal has no
// line to share.
bool TakeLine(int fd) {
    if (::isatty(fd) == 0) return true;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return errno != EWOULDBLOCK;  // no locks here: go on unlocked
    }
    ::ioctl(fd, TIOCEXCL);
    return true;
}

std::optional<tcflag_t> CharacterSize(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

std::optional<tcflag_t> ParityFlags(char parity) {
    switch (parity) {
        case 'N':
        case 'n':
            return tcflag_t{0};
        case 'E':
        case 'e':
            return tcflag_t{PARENB};
        case 'O':
        case 'o':
            return tcflag_t{PARENB | PARODD};
        default:
            return std::nullopt;
    }
}

// Raw bytes in both directions, no flow control of any kind, receiver on, modem lines ignored.
// VMIN 1 / VTIME 0 together with O_NONBLOCK: a read returns what is there or EAGAIN at once,
// and 0 only when the line has hung up.
bool BuildLine(termios& tio, char parity, int dataBits, int stopBits) {
    const std::optional<tcflag_t> size = CharacterSize(dataBits);
    const std::optional<tcflag_t> parityFlags = ParityFlags(parity);
    if (!size || !parityFlags || (stopBits != 1 && stopBits != 2)) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    tio.c_cflag |= *size | *parityFlags | CLOCAL | CREAD | (stopBits == 2 ? CSTOPB : 0);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return true;
}

}  // namespace

bool IsSupportedLineRate(int baudRate) {
    return SpeedFor(baudRate).has_value();
}

CComPort::CComPort() = default;

CComPort::~CComPort() {
    StopMonitor();
    Close();
    if (shutdownFd_ >= 0) ::close(shutdownFd_);
    if (writeFd_ >= 0) ::close(writeFd_);
}

bool CComPort::CreateSignals() {
    if (shutdownFd_ < 0) shutdownFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (writeFd_ < 0) writeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return shutdownFd_ >= 0 && writeFd_ >= 0;
}

bool CComPort::Open(PortOwner* owner, int portNumber, const std::string& device, int baudRate,
                    char parity, int dataBits, int stopBits, std::uint32_t /*eventMask*/,
                    std::size_t writeBufferSize) {
    StopMonitor();
    Close();
    portNumber_ = portNumber;
    openFailure_ = OpenFailure::Other;
    if (owner == nullptr || !CreateSignals()) {
        openError_ = std::strerror(owner == nullptr ? EINVAL : errno);
        return false;
    }
    TakeOwner(owner, writeBufferSize);
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // EBUSY: the line is held exclusively (TIOCEXCL) by another program.
        openError_ = error == EBUSY ? kPortInUse : std::strerror(error);
        if (error == EBUSY) openFailure_ = OpenFailure::InUse;
        if (error == EACCES || error == EPERM) openFailure_ = OpenFailure::NoAccess;
        return false;
    }
    if (!TakeLine(fd)) {
        ::close(fd);
        openError_ = kPortInUse;
        openFailure_ = OpenFailure::InUse;
        return false;
    }
    fd_ = fd;
    openError_.clear();
    openFailure_ = OpenFailure::None;
    ApplyLineSettings(fd, baudRate, parity, dataBits, stopBits);
    std::lock_guard lock(mutex_);
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

// Reads the line settings, builds the new ones and writes them back; the first step that
// fails is reported to the owner and the rest is skipped: Open still succeeds.
void CComPort::ApplyLineSettings(int fd, int baudRate, char parity, int dataBits, int stopBits) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return ReportNow("GetCommState()", errno);
    if (!BuildLine(tio, parity, dataBits, stopBits)) return ReportNow("BuildCommDCB()", EINVAL);
    // A rate the driver has no constant for is refused, but the rest is still written at the
    // speed the line has: a terminal left in its cooked default would hold bytes back until a
    // line end and echo them to the module, and the channel is meant to keep working.
    const std::optional<speed_t> speed = SpeedFor(baudRate);
    const bool speedSet =
        speed && ::cfsetispeed(&tio, *speed) == 0 && ::cfsetospeed(&tio, *speed) == 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return ReportNow("SetCommState()", errno);
    if (!speedSet) return ReportNow("SetCommState()", EINVAL);
    // RTS off, as the module's line expects; a pseudo-terminal has no modem lines.
    int rts = TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &rts) != 0 && errno != ENOTTY && errno != EINVAL) {
        ReportNow("SetCommState()", errno);
    }
}

// A configuration failure, reported synchronously on the caller's (the owner's) thread.
void CComPort::ReportNow(const char* operation, int error) {
    const std::string reason = std::strerror(error);
    owner_->OnPortError(ComposeError(operation, SystemText(reason), portNumber_), false);
}

bool CComPort::IsOpen() const {
    return fd_.load() >= 0;
}

void CComPort::SignalShutdown() {
    Signal(shutdownFd_);  // leaves poll()
}

// Called under the lock: the monitor drains the signal where it takes the request, so one
// request is never written twice.
void CComPort::SignalWrite() {
    if (writeFd_ >= 0) Signal(writeFd_);
}

void CComPort::ClearWriteSignal() {
    Drain(writeFd_);
}

// The exclusive mode belongs to the terminal, not to this descriptor: it is ended before the
// close, or it would outlast it while anyone else keeps the line open (the virtual module keeps
// its end of a pseudo-terminal open). The lock goes with the descriptor.
void CComPort::CloseDeviceLocked() {
    const int fd = fd_.exchange(-1);
    if (fd < 0) return;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

}  // namespace ql50

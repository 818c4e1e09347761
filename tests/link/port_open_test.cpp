// Opening the channel: a device that cannot be opened, reopening, the line settings that reach
// the terminal, and configuration failures that are reported but leave a working channel.
#include <termios.h>

#include <string>
#include <thread>

#include "port_harness.h"

namespace ql50::porttest {
namespace {

TEST_F(PortTest, MissingDeviceFailsQuietlyAndALaterOpenWorks) {
    EXPECT_FALSE(port->Open(&owner, 7, "/nonexistent/ql50-tty", 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_EQ(port->OpenErrorText(), "No such file or directory");
    EXPECT_TRUE(owner.Reports().empty());  // the caller words that failure itself
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->StartMonitor());
    EXPECT_FALSE(port->MonitorRunning());

    ASSERT_TRUE(OpenAndStart());
    EXPECT_TRUE(port->OpenErrorText().empty());
    ASSERT_TRUE(SendAndAwait({0x5A}, 1));
    EXPECT_EQ(owner.ReceivedBytes(), Bytes{0x5A});
    EXPECT_TRUE(owner.Reports().empty());
}

TEST_F(PortTest, OpenWithoutOwnerFails) {
    EXPECT_FALSE(port->Open(nullptr, 1, pty.Path(), 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_FALSE(port->OpenErrorText().empty());
    EXPECT_FALSE(port->IsOpen());
}

TEST_F(PortTest, ReopeningReplacesTheMonitor) {
    ASSERT_TRUE(OpenAndStart());
    ASSERT_TRUE(SendAndAwait({'a'}, 1));

    ASSERT_TRUE(OpenPort());
    EXPECT_FALSE(port->MonitorRunning());  // Open stopped the old one
    EXPECT_TRUE(port->IsOpen());
    ASSERT_TRUE(port->StartMonitor());
    EXPECT_FALSE(port->StartMonitor());  // one monitor at a time
    ASSERT_TRUE(SendAndAwait({'b', 'c'}, 3));

    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(owner.Notices(), 3u);  // one hand-over per byte, no second reader
    EXPECT_TRUE(owner.Reports().empty());
}

TEST_F(PortTest, LineSettingsReachTheTerminal) {
    termios tio{};
    // A pseudo-terminal keeps the speed, the stop bits and the parity's sense, but always
    // reports 8 data bits without parity, so those two cannot be seen here.
    ASSERT_TRUE(OpenPort(19200, 'E', 7, 2));
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & PARODD, 0u);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B19200));

    ASSERT_TRUE(OpenPort(115200, 'O', 8, 1));
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
    EXPECT_NE(tio.c_cflag & PARODD, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));

    ASSERT_TRUE(OpenPort(9600, 'N', 8, 1));
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & (PARODD | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);  // raw: nothing echoed or interpreted
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(owner.Reports().size(), 0u);
}

struct BadSetting {
    int baudRate;
    char parity;
    int dataBits;
    int stopBits;
    const char* operation;
};

// Each failure is reported once, on the caller's thread while Open runs, and Open still
// succeeds: the channel runs with whatever the device had.
TEST_F(PortTest, ConfigurationFailuresAreReportedAndOpenStillSucceeds) {
    const BadSetting cases[] = {
        {1920, 'N', 8, 1, "SetCommState()"},  // a rate config.ini can hold, with no constant
        {0, 'N', 8, 1, "SetCommState()"},    {9600, 'X', 8, 1, "BuildCommDCB()"},
        {9600, 'N', 9, 1, "BuildCommDCB()"}, {9600, 'N', 8, 3, "BuildCommDCB()"},
    };
    for (const BadSetting& c : cases) {
        SCOPED_TRACE(std::to_string(c.baudRate) + c.parity + std::to_string(c.dataBits) +
                     std::to_string(c.stopBits));
        const std::size_t before = owner.Reports().size();
        ASSERT_TRUE(OpenPort(c.baudRate, c.parity, c.dataBits, c.stopBits));
        const auto reports = owner.Reports();
        ASSERT_EQ(reports.size(), before + 1);
        EXPECT_EQ(reports.back().text,
                  CComPort::ComposeError(c.operation, "Invalid argument\n", kPortNumber));
        EXPECT_FALSE(reports.back().channelClosed);
        EXPECT_EQ(reports.back().thread, std::this_thread::get_id());
        EXPECT_TRUE(port->IsOpen());
    }
}

// The terminal starts out cooked, as a serial port does: a refused rate must not leave it so,
// or bytes would wait for a line end and be echoed to the module.
TEST_F(PortTest, ChannelWithUnsupportedRateStillDelivers) {
    termios cooked{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO;
    cooked.c_iflag |= ICRNL;
    ASSERT_EQ(tcsetattr(pty.SlaveFd(), TCSANOW, &cooked), 0);
    ASSERT_TRUE(OpenPort(1920));
    ASSERT_EQ(owner.Reports().size(), 1u);
    EXPECT_EQ(owner.Reports()[0].text,
              "WARNING:  SetCommState() Failed with the following error: \n"
              "Invalid argument\n\nPort: 3\n");
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(SendAndAwait({0x02, 0x0D, 0x03}, 3));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{0x02, 0x0D, 0x03}));
    const Bytes frame{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    port->QueueWrite(frame.data(), frame.size());
    EXPECT_EQ(pty.Read(frame.size()), frame);
    EXPECT_EQ(owner.Reports().size(), 1u);
}

}  // namespace
}  // namespace ql50::porttest

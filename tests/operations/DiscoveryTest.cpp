// Finding the module: the devices listed from a tree of their own, and searches on virtual
// modules behind pseudo-terminals that hear only their own rate.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <deque>
#include <filesystem>
#include <tuple>

#include "link/Encoding.h"
#include "operations/Discovery.h"
#include "sim/PtyServer.h"
#include "support/Files.h"
#include "support/Pty.h"

namespace ql50 {
namespace {

namespace fs = std::filesystem;
using test::Pty;
using test::Spit;
using test::TempDir;

// Virtual modules, each on a pseudo-terminal of its own.
class Modules {
public:
    // A module that hears requests only at `baud` (0: it hears nothing at all).
    std::string Add(int baud, std::uint8_t address, int type) {
        sim::VirtualModule& m = modules_.emplace_back();
        m.SetAddress(address);
        m.SetType(type);
        m.SetLineRate(unsigned(baud));
        m.SetStrictRate(unsigned(baud));
        m.SetSilent(baud == 0);
        sim::PtyServer& server = servers_.emplace_back(m);
        EXPECT_TRUE(server.Start(nullptr));
        return server.SlavePath();
    }

private:
    std::deque<sim::VirtualModule> modules_;
    std::deque<sim::PtyServer> servers_;
};

using Found = std::tuple<std::string, int, int, int>;  // device, rate, address, type

std::vector<Found> Summary(const ScanResult& r) {
    std::vector<Found> found;
    for (const FoundModule& m : r.modules)
        found.emplace_back(m.port.path, m.baud, m.address, m.type);
    return found;
}

TEST(Discovery, ListsByIdLinksFirstThenTerminalsInNumberOrder) {
    TempDir root;
    const fs::path dev = root.Path() + "/dev", sys = root.Path() + "/sys";
    const fs::path usb = sys / "devices/pci0/usb1/1-1";
    fs::create_directories(dev / "serial/by-id");
    fs::create_directories(usb / "1-1:1.0/ttyUSB1");
    fs::create_directories(sys / "class/tty/ttyUSB1");
    fs::create_symlink("../../../devices/pci0/usb1/1-1/1-1:1.0/ttyUSB1",
                       sys / "class/tty/ttyUSB1/device");
    Spit((usb / "idVendor").string(), "0403\n");
    Spit((usb / "manufacturer").string(), "FTDI\n");
    Spit((usb / "product").string(), "FT232R USB UART\n");
    Spit((usb / "serial").string(), "A50285BI\n");
    const char* id = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("../../ttyUSB1", dev / "serial/by-id" / id);
    std::deque<Pty> ptys(5);
    for (const auto& [name, pty] :
         {std::pair{"ttyUSB1", 0}, {"ttyUSB0", 1}, {"ttyS10", 2}, {"ttyS2", 3}, {"ttySAC0", 4}})
        fs::create_symlink(ptys[std::size_t(pty)].Path(), dev / name);
    Spit((dev / "ttyS0").string(), "");  // no port behind it: not a terminal

    const std::vector<SerialDevice> list = ListSerialDevices({dev.string(), sys.string()});
    std::vector<std::string> paths;
    for (const SerialDevice& d : list) paths.push_back(d.path);
    EXPECT_EQ(paths,
              (std::vector<std::string>{(dev / "ttyUSB1").string(), (dev / "ttyUSB0").string(),
                                        (dev / "ttyS2").string(), (dev / "ttyS10").string()}));
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].id, id);
    EXPECT_EQ(list[0].StablePath(), (dev / "serial/by-id" / id).string());
    EXPECT_EQ(list[0].Description(), "FTDI FT232R USB UART A50285BI");
    // A device named on the command line, by its link or by itself, is described the same way.
    for (const fs::path& given : {dev / "serial/by-id" / id, dev / "ttyUSB1"}) {
        const auto described = DescribeDevices({given.string()}, {dev.string(), sys.string()});
        EXPECT_EQ(std::tie(described[0].path, described[0].id, described[0].serial),
                  std::tie(list[0].path, list[0].id, list[0].serial));
    }
    EXPECT_TRUE(ListSerialDevices({root.File("none"), root.File("none")}).empty());
}

// Modules at two rates and three addresses, and a line where nothing answers: each module once,
// at its own rate and address, and nothing else.
TEST(Discovery, FindsEachModuleOnceAtItsRateAndAddress) {
    Modules modules;
    const std::string a = modules.Add(4800, 2, 0), b = modules.Add(9600, 7, 3),
                      c = modules.Add(9600, 21, 7), silent = modules.Add(0, 1, 0);
    std::vector<int> done;
    const ScanResult r =
        ScanPorts(DescribeDevices({a, b, c, silent}), {}, [&](const ScanStep& step) {
            done.push_back(step.done);
            return true;
        });
    EXPECT_EQ(Summary(r), (std::vector<Found>{{a, 4800, 2, 0}, {b, 9600, 7, 3}, {c, 9600, 21, 7}}));
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    // A bus scan asks every address: the module answers address 0 and its own, and is one.
    const ScanResult bus = ScanPorts(DescribeDevices({c}), {{9600}, true});
    EXPECT_EQ(Summary(bus), (std::vector<Found>{{c, 9600, 21, 7}}));
}

// A line another program holds is reported as held; not one byte goes to it.
TEST(Discovery, LeavesAHeldLineAlone) {
    test::ScriptedModule module;
    module.Reply(kReadParam, kParamType, EncodeUint8(1));
    const int holder = ::open(module.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const ScanResult r = ScanPorts(DescribeDevices({module.path()}));
    ::close(holder);
    EXPECT_TRUE(r.modules.empty());
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].failure, OpenFailure::InUse);
    EXPECT_TRUE(module.peer().Requests().empty());
    // Free again, the same line is probed and its module found.
    EXPECT_EQ(ScanPorts(DescribeDevices({module.path()})).modules.size(), 1u);
}

TEST(Discovery, CancelEndsTheSearchAtOnce) {
    Modules modules;
    const std::string silent = modules.Add(0, 1, 0);
    int steps = 0;
    const ScanResult r = ScanPorts(DescribeDevices({silent, silent}), {},
                                   [&](const ScanStep&) { return ++steps < 2; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(steps, 2);
}

}  // namespace
}  // namespace ql50

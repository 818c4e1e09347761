#include "operations/Discovery.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "conversation/CConversation.h"
#include "operations/Session.h"
#include "tables/MessTypen.h"

namespace ql50 {
namespace {

namespace fs = std::filesystem;

// The kinds of serial device, in the order they are listed.
constexpr const char* kTtyKinds[] = {"ttyUSB", "ttyACM", "ttyS"};
// A frame is 11 bytes, each with a start and a stop bit.
constexpr int kFrameBits = 11 * 10;
// What a module and an adapter may add to the line time (an adapter's own latency is 16 ms).
constexpr std::chrono::milliseconds kProbeMargin{200};
constexpr std::uint8_t kNoType = 0xFF;
constexpr const char* kNoLine = "no serial line: its line settings cannot be set";

// The number at the end of a device name ("/dev/ttyS12": 12), for listing in numeric order.
long NumberOf(const std::string& name) {
    std::size_t first = name.size();
    while (first > 0 && std::isdigit(static_cast<unsigned char>(name[first - 1])) != 0) --first;
    long number = 0;
    for (std::size_t i = first; i < name.size() && number < 1'000'000'000; ++i)
        number = number * 10 + (name[i] - '0');
    return number;
}

// A device the probe can try: it opens as a terminal, or it is there but not ours to open now.
// A ttyS* with no port behind it fails with EIO (or ENXIO, ENODEV).
bool OpensAsTerminal(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EACCES || errno == EPERM || errno == EBUSY;
    termios tio{};
    const bool terminal = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    return terminal;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0)
        line.pop_back();
    return line;
}

// The USB device above a tty in sysfs holds the adapter's strings: a USB serial port sits on an
// interface of the device (ttyUSB: the port, its interface, the device; ttyACM: the interface).
void ReadAdapterStrings(const DeviceRoots& roots, SerialDevice& device) {
    std::error_code ec;
    const std::string tty = fs::path(device.path).filename().string();
    fs::path dir = fs::canonical(fs::path(roots.sys) / "class" / "tty" / tty / "device", ec);
    for (int up = 0; !ec && up < 4 && dir.has_relative_path(); ++up, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", ec)) continue;
        device.maker = FirstLine(dir / "manufacturer");
        device.product = FirstLine(dir / "product");
        device.serial = FirstLine(dir / "serial");
        return;
    }
}

// The by-id links: the device each one names (lexically, so a device that is itself a link
// keeps its own name) and the link.
std::vector<std::pair<std::string, fs::path>> ByIdLinks(const DeviceRoots& roots) {
    std::vector<std::pair<std::string, fs::path>> links;
    const fs::path dir = fs::path(roots.dev) / "serial" / "by-id";
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const fs::path target = fs::read_symlink(entry.path(), ec);
        if (ec) continue;
        const fs::path device = (dir / target).lexically_normal();
        if (fs::exists(device, ec)) links.emplace_back(device.string(), entry.path());
    }
    std::sort(links.begin(), links.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    return links;
}

SerialDevice Described(const std::string& path, const fs::path& link, const DeviceRoots& roots) {
    SerialDevice device;
    device.path = path;
    if (!link.empty()) {
        device.id = link.filename().string();
        device.idPath = link.string();
    }
    ReadAdapterStrings(roots, device);
    return device;
}

std::vector<std::string> Terminals(const DeviceRoots& roots, const std::string& kind,
                                   const std::set<std::string>& known) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(roots.dev, ec)) {
        const std::string name = entry.path().filename().string();
        // Only digits follow the kind: "ttyS" does not take "ttySAC0".
        if (name.rfind(kind, 0) != 0 || name.size() == kind.size() ||
            name.find_first_not_of("0123456789", kind.size()) != std::string::npos)
            continue;
        const std::string path = entry.path().lexically_normal().string();
        if (!known.contains(path) && OpensAsTerminal(path)) names.push_back(path);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NumberOf(a) < NumberOf(b); });
    return names;
}

// What one search carries from probe to probe.
struct Scan {
    const ScanOptions& options;
    const ScanProgress& progress;
    ScanStep step;
    ScanResult result;

    // Tells the caller where the search stands; false when it is to end.
    bool Report(const SerialDevice& port, int baud, int address) {
        step.port = &port;
        step.baud = baud;
        step.address = address;
        if (progress && !progress(step)) result.cancelled = true;
        return !result.cancelled;
    }

    void Found(const SerialDevice& port, int baud, int address, std::uint8_t type) {
        for (const FoundModule& m : result.modules)
            if (m.port.path == port.path && m.baud == baud && m.address == address) return;
        result.modules.push_back({port, baud, address, type < kMessTypCount ? int(type) : -1});
    }

    // The addresses of one rate; true when a module answered.
    bool Probe(Session& session, const SerialDevice& port, int baud) {
        const int addresses = options.bus ? kBusAddresses : 1;
        bool answered = false;
        CConversation& conv = session.conversation();
        for (int address = 0; address < addresses; ++address) {
            if (!Report(port, baud, address)) return answered;
            ++step.done;
            session.SetAddress(std::uint8_t(address));
            conv.modul().moduleType = kNoType;
            if (conv.AskWithin(req::kReadType, ProbeWait(baud))) {
                Found(port, baud, conv.lastReplyAddress(), conv.modul().moduleType);
                answered = true;
            }
            if (!session.IsOpen()) break;  // the device went away
        }
        return answered;
    }

    void Port(const SerialDevice& port) {
        Session session;
        // A live-value reply from whatever is on the line asks for nothing more.
        session.conversation().SetLiveChain(false);
        session.MapPort(1, port.path);
        for (int baud : options.rates) {
            session.Close();
            if (session.Open(0, baud) != Outcome::Done) {
                result.skipped.push_back({port, session.openFailure(), session.openErrorText()});
                return;
            }
            if (session.lineSettingsFailed()) {
                // No terminal, or a line that refuses the rate: no module can answer there.
                result.skipped.push_back({port, OpenFailure::Other, kNoLine});
                return;
            }
            if (Probe(session, port, baud) || result.cancelled || !session.IsOpen()) return;
        }
    }
};

}  // namespace

std::string SerialDevice::Description() const {
    std::string text;
    for (const std::string* part : {&maker, &product, &serial})
        if (!part->empty()) text += (text.empty() ? "" : " ") + *part;
    return text;
}

std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots) {
    std::vector<SerialDevice> devices;
    std::set<std::string> known;
    for (const auto& [path, link] : ByIdLinks(roots)) {
        if (!known.insert(path).second) continue;
        devices.push_back(Described(path, link, roots));
    }
    for (const char* kind : kTtyKinds)
        for (const std::string& path : Terminals(roots, kind, known))
            devices.push_back(Described(path, {}, roots));
    return devices;
}

std::vector<SerialDevice> DescribeDevices(const std::vector<std::string>& paths,
                                          const DeviceRoots& roots) {
    const auto links = ByIdLinks(roots);
    std::vector<SerialDevice> devices;
    for (const std::string& given : paths) {
        const fs::path path = fs::absolute(given).lexically_normal();
        std::string device = path.string();
        fs::path link;
        for (const auto& [target, byId] : links) {
            if (byId == path || target == device) {
                device = target;
                link = byId;
                break;
            }
        }
        devices.push_back(Described(device, link, roots));
    }
    return devices;
}

std::chrono::milliseconds ProbeWait(int baud) {
    const double lineMs = 2.0 * kFrameBits * 1000.0 / std::max(baud, 1);
    return std::chrono::milliseconds(long(std::ceil(lineMs))) + kProbeMargin;
}

ScanResult ScanPorts(const std::vector<SerialDevice>& ports, const ScanOptions& options,
                     const ScanProgress& progress) {
    Scan scan{options, progress, {}, {}};
    const int perPort = int(options.rates.size()) * (options.bus ? kBusAddresses : 1);
    scan.step.total = int(ports.size()) * perPort;
    scan.step.sofar = &scan.result;
    for (std::size_t i = 0; i < ports.size() && !scan.result.cancelled; ++i) {
        scan.Port(ports[i]);
        // The probes a device left out (held, or answered early) count as done.
        if (!scan.result.cancelled) scan.step.done = int(i + 1) * perPort;
    }
    return scan.result;
}

}  // namespace ql50

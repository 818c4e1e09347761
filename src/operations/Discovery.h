#pragma once
// Finding the module: which serial devices the computer has, and on which of them, at which
// rate and bus address a module answers.
//
// A probe asks for the module's measurement type, a read request and nothing else, so a device
// with something other than a module on it is never written to beyond that. It opens a device
// the way the program does, exclusively: a device that another program holds is not opened, so
// it is reported as held and not probed. A probe waits only as long as the request and its
// reply take on the line plus a margin (ProbeWait), not the 3 s of the program's own waits, so
// a search of four devices at three rates with nothing attached ends within seconds.
//
// Like every operation the search runs on its caller's thread and serves that thread's events
// while it waits; it shows nothing itself and reports through its progress callback.
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/OpenFailure.h"

namespace ql50 {

// The rates a search tries, in this order: the program's default rate first.
inline constexpr std::array<int, 3> kSearchRates{4800, 9600, 19200};
// A bus scan asks every address a module can hold.
inline constexpr int kBusAddresses = 32;

// Where the system shows its devices; tests give a tree of their own.
struct DeviceRoots {
    std::string dev = "/dev";
    std::string sys = "/sys";
};

struct SerialDevice {
    std::string path;    // the device itself, e.g. /dev/ttyUSB0
    std::string id;      // its name in /dev/serial/by-id; empty when it has none
    std::string idPath;  // that link's path, which names the adapter however it is plugged in
    // The USB adapter's maker, product and serial number; empty when unknown.
    std::string maker, product, serial;

    // The path to remember for this device: its by-id link when it has one.
    const std::string& StablePath() const { return idPath.empty() ? path : idPath; }
    // "FTDI FT232R USB UART A50285BI": the adapter's strings that are known, joined.
    std::string Description() const;
};

// The serial devices there are: /dev/serial/by-id/* first (sorted by name), then the ttyUSB*,
// ttyACM* and ttyS* devices that no by-id link names and that open as terminals (a ttyS* with
// no port behind it does not), each group in the order of its number. A device that exists but
// may not be opened now (no permission, held by another program) is listed: the search says why.
std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots = {});
// The given devices (a path, or a by-id link), with their by-id names and adapter strings.
std::vector<SerialDevice> DescribeDevices(const std::vector<std::string>& paths,
                                          const DeviceRoots& roots = {});

// How long a probe at `baud` waits for its reply: the request and the reply on the line (11
// bytes of 10 bits each) and a margin for the module and the adapter.
std::chrono::milliseconds ProbeWait(int baud);

struct FoundModule {
    SerialDevice port;
    int baud = 0;
    int address = 0;  // the bus address the module gives in its reply
    int type = -1;    // measurement-type index 0 to 7; -1 for a number no type has
};

// A device that was not probed, and why.
struct SkippedDevice {
    SerialDevice port;
    OpenFailure failure = OpenFailure::Other;
    std::string reason;  // the system's reason
};

struct ScanResult {
    std::vector<FoundModule> modules;
    std::vector<SkippedDevice> skipped;
    bool cancelled = false;
};

// Where a search stands, before each probe.
struct ScanStep {
    int done = 0;   // probes asked or left out so far
    int total = 0;  // devices x rates x addresses
    const SerialDevice* port = nullptr;
    int baud = 0;
    int address = 0;
    const ScanResult* sofar = nullptr;  // what was found so far
};
// Returns false to end the search (the result says cancelled).
using ScanProgress = std::function<bool(const ScanStep&)>;

struct ScanOptions {
    std::vector<int> rates{kSearchRates.begin(), kSearchRates.end()};
    // Ask every bus address 0 to 31, not only address 0, which every module answers.
    bool bus = false;
};

// Probes each device at each rate until a module answers there (its other rates are left out).
// A module found at several addresses (address 0 and its own) is listed once, at its own.
ScanResult ScanPorts(const std::vector<SerialDevice>& ports, const ScanOptions& options = {},
                     const ScanProgress& progress = {});

}  // namespace ql50

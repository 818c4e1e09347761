#pragma once
// Command line of ql50-sim, the stand-alone virtual module.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/VirtualBus.h"
#include "sim/VirtualModule.h"

namespace ql50::sim {

struct SimOptions {
    int type = kTypeOxygen;
    std::uint8_t address = 1;
    unsigned baud = 4800;
    bool pacing = true;
    bool rateStrict = false;  // requests at another rate than `baud` are not heard
    unsigned delayMs = 0;
    bool silent = false;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> silentRegisters;  // (op, register)
    bool badChecksum = false;
    bool strayByte = false;
    unsigned watchdogEverySeconds = 0;
    std::optional<std::size_t> loggerRecords;
    // --bus: several modules on the one line instead of the single one of --type and --address.
    std::vector<BusSlot> bus;
    bool help = false;
};

// Parses the arguments after the program name. Returns false with a message in `error` for
// an unknown option, a missing value or a value out of range. Values may follow as the next
// argument or after "=".
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error);

std::string SimUsage();

// Puts the options into effect on a module.
void ApplySimOptions(const SimOptions& options, VirtualModule& module);
// The same on every module of a bus (each keeps its own address and type); the line's pacing
// and reply delay go to the bus.
void ApplySimOptions(const SimOptions& options, VirtualBus& bus);

}  // namespace ql50::sim

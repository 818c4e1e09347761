#pragma once
// The module's configuration, read and written in one block each. Both blocks are framed by the
// configuration-begin and configuration-end commands; the write block ends with the
// end-of-writes command and a write of the alarm register before the end command.
#include <cstdint>
#include <functional>

#include "operations/Session.h"

namespace ql50 {

// Reads the type and the eleven values of the block in order (calibration values 1 to 3, bus
// address, fixed-temperature switch and value, firmware version, temperature offset, logger
// interval and release, display language); stops at the first unanswered read. The block is
// closed in any case. `progress` is told 2 after the type and 3 to 13 after each value. The
// values are in module() afterwards.
Outcome ReadConfiguration(Session& session, const std::function<void(int position)>& progress = {});

// What the write block sends, as the module keeps it.
struct ConfigurationBlock {
    float calValue1 = 0, calValue2 = 0, calValue3 = 0;
    std::uint8_t address = 0;  // the module's new bus address
    float fixedTemperature = 0;
    float tempOffset = 0;
    std::uint8_t typeIndex = 0;  // measurement-type index 0 to 7 (sent as 1 to 8)
    std::uint8_t fixedTempOn = 0;
    std::uint16_t loggerInterval = 0;  // minutes
    std::uint8_t loggerEnabled = 0;
    std::uint8_t displayLanguage = 0;  // 0 German, 1 English, 255 neither
};

// Writes every field in one block. The address goes to the old address; once the module has
// answered it, every later command goes to the new one. Every request is examined: an
// unanswered one ends the block at once (the closing command is still sent, so the module
// leaves its configuration mode), a lost line ends it too. `progress` is told 2 to 12 after
// each field.
Outcome WriteConfiguration(Session& session, const ConfigurationBlock& block,
                           const std::function<void(int position)>& progress = {});

}  // namespace ql50

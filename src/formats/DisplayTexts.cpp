#include "formats/DisplayTexts.h"

#include <algorithm>
#include <cmath>

#include "link/Format.h"
#include "tables/MessTypen.h"

namespace ql50 {

namespace {
constexpr int kTemperatureDecimals = 1;
constexpr int kTemperatureChannel = 6;
}  // namespace

std::string ChannelText(float value, int moduleType, int channel) {
    if (!std::isfinite(value)) return "---";
    // The type comes from the module: never look past the last type record.
    const auto type = std::size_t(std::clamp<int>(moduleType, 0, int(kMessTypen.size()) - 1));
    const int decimals = channel == kTemperatureChannel
                             ? kTemperatureDecimals
                             : kMessTypen[type].channelDecimals[std::size_t(channel - 1)];
    return FormatFixed(value, decimals);
}

std::array<std::string, 6> LiveValueTexts(const CModulDaten& m) {
    const float values[] = {m.value1, m.value2, m.value3, m.value4, m.value5, m.temperature};
    std::array<std::string, 6> texts;
    for (int c = 0; c < 6; ++c) texts[std::size_t(c)] = ChannelText(values[c], m.moduleType, c + 1);
    return texts;
}

std::string VersionText(float version) {
    return "QL50 Version " + FormatFixed(version, 2);
}

std::string StatusReportText(const std::array<std::uint8_t, 3>& status) {
    return std::to_string(status[0]) + ":" + std::to_string(status[1]) + " = " +
           std::to_string(status[2]);
}

std::string ClockText(std::span<const std::uint8_t> bytes, char separator) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += separator;
        text += FormatUnsigned(bytes[i], 2);
    }
    return text;
}

std::string LoggerPositionText(unsigned position) {
    return "Byte: " + std::to_string(position) + " ";
}

}  // namespace ql50

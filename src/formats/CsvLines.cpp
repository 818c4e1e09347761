#include "formats/CsvLines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "link/Format.h"
#include "tables/Cp1252.h"
#include "tables/MessTypen.h"

namespace ql50 {
namespace {

constexpr std::size_t kChannels = 6;

const MessTypInfo& TypeInfo(int typeIndex) {
    return kMessTypen[std::size_t(std::clamp(typeIndex, 0, int(kMessTypCount) - 1))];
}

bool ChannelUsed(const MessTypInfo& type, std::size_t channel) {
    return type.channelLabel[channel][0][0] != '\0' || type.channelLabel[channel][1][0] != '\0';
}

float ChannelValue(const CModulDaten& m, std::size_t channel) {
    const std::array<float, kChannels> values{m.value1, m.value2, m.value3,
                                              m.value4, m.value5, m.temperature};
    return values[channel];
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvHeader(int typeIndex, int language) {
    const MessTypInfo& type = TypeInfo(typeIndex);
    const int lang = language == 0 ? 0 : 1;
    std::string line = "time";
    for (std::size_t c = 0; c < kChannels; ++c) {
        if (!ChannelUsed(type, c)) continue;
        const std::string unit = c + 1 < kChannels ? std::string(type.channelUnit[c].data())
                                                   : "\xB0"
                                                     "C";
        std::string name = type.channelLabel[c][std::size_t(lang)].data();
        if (!unit.empty()) name += " [" + unit + "]";
        line += "," + CsvField(Cp1252ToUtf8(name));
    }
    return line + "\r\n";
}

std::string CsvDataLine(const std::tm& t, long utcOffsetSeconds, const CModulDaten& m, bool fresh) {
    const MessTypInfo& type = TypeInfo(m.moduleType);
    const long offsetMinutes = std::labs(utcOffsetSeconds) / 60;
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    std::string line = stamp;
    for (std::size_t c = 0; c < kChannels; ++c) {
        if (!ChannelUsed(type, c)) continue;
        // The temperature always has one decimal, as the program shows it.
        const int decimals = c + 1 < kChannels ? type.channelDecimals[c] : 1;
        const float value = ChannelValue(m, c);
        line += ',';
        if (fresh && std::isfinite(value)) line += FormatFixed(double(value), decimals);
    }
    return line + "\r\n";
}

}  // namespace ql50

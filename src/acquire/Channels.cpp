#include "acquire/Channels.h"

#include <array>
#include <cmath>

#include "tables/Cp1252.h"
#include "tables/MessTypen.h"

namespace ql50::acquire {
namespace {

constexpr int kEnglish = 1;
constexpr std::size_t kTemperature = 5;
const char* const kDegrees =
    "\xC2\xB0"
    "C";

std::optional<double> Rounded(double value, int decimals) {
    if (!std::isfinite(value)) return std::nullopt;
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

bool KnownType(int type) {
    return type >= 0 && type < int(kMessTypCount);
}

std::string Label(int type, std::size_t channel) {
    return Cp1252ToUtf8(kMessTypen[std::size_t(type)].channelLabel[channel][kEnglish].data());
}

}  // namespace

std::vector<store::Channel> LiveLayout(int type) {
    std::vector<store::Channel> channels;
    if (!KnownType(type)) return channels;
    const MessTypInfo& info = kMessTypen[std::size_t(type)];
    for (std::size_t c = 0; c <= kTemperature; ++c) {
        if (info.channelLabel[c][kEnglish][0] == '\0') continue;
        store::Channel channel;
        channel.index = int(c);
        channel.label = Label(type, c);
        // The temperature is shown with one decimal for every type.
        channel.unit = c == kTemperature ? kDegrees : Cp1252ToUtf8(info.channelUnit[c].data());
        channel.decimals = c == kTemperature ? 1 : info.channelDecimals[c];
        channels.push_back(channel);
    }
    return channels;
}

std::vector<store::Channel> LiveChannels(int type, const CModulDaten& m) {
    const std::array<float, 6> values{m.value1, m.value2, m.value3,
                                      m.value4, m.value5, m.temperature};
    std::vector<store::Channel> channels = LiveLayout(type);
    for (store::Channel& c : channels)
        c.value = Rounded(double(values[std::size_t(c.index)]), c.decimals);
    return channels;
}

std::vector<store::Channel> LoggerChannels(int type, const LoggerRecord& r) {
    const bool oxygen = type == kTypIndexSauerstoff;
    const unsigned concentration = r[6] + 255u * r[7];  // hundredths of mg/l
    std::vector<store::Channel> channels(3);
    channels[0] = {0, oxygen ? Label(type, 0) : "percentage", "%", 0, double(r[5])};
    channels[1] = {1, oxygen ? Label(type, 1) : "concentration", "mg/l", 2,
                   double(concentration) / 100.0};
    channels[2] = {int(kTemperature), "temperature", kDegrees, 0,
                   double(static_cast<std::int8_t>(r[8]))};
    return channels;
}

}  // namespace ql50::acquire

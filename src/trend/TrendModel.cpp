#include "trend/TrendModel.h"

#include <algorithm>
#include <limits>

#include "tables/Cp1252.h"
#include "tables/MessTypen.h"

namespace ql50 {

std::vector<TrendChannel> TrendChannels(int typeIndex, int language) {
    std::vector<TrendChannel> channels;
    if (typeIndex < 0 || typeIndex >= int(kMessTypCount)) return channels;
    const MessTypInfo& type = kMessTypen[std::size_t(typeIndex)];
    const std::size_t lang = language == 1 ? 1 : 0;
    for (std::size_t c = 0; c < kTrendChannels; ++c) {
        const char* label = type.channelLabel[c][lang].data();
        if (*label == '\0') continue;
        // The temperature: always degrees Celsius with one decimal.
        const bool temperature = c + 1 == kTrendChannels;
        const std::string unit = temperature ? "\xB0"
                                               "C"
                                             : type.channelUnit[c].data();
        const int decimals = temperature ? 1 : type.channelDecimals[c];
        channels.push_back({c, Cp1252ToUtf8(label), Cp1252ToUtf8(unit), decimals});
    }
    return channels;
}

void TrendModel::Begin(int typeIndex) {
    if (typeIndex == type_) return;
    for (TrendSeries& s : series_) s.Clear();
    newest_.reset();
    type_ = typeIndex;
    ++revision_;
    ++history_;
}

void TrendModel::Append(TrendTime time, const TrendValues& values) {
    Add(time, values);
}

void TrendModel::AppendGap(TrendTime time) {
    TrendValues none;
    none.fill(std::numeric_limits<float>::quiet_NaN());
    Add(time, none);
}

void TrendModel::Add(TrendTime time, const TrendValues& values) {
    newest_ = newest_ ? std::max(*newest_, time) : time;
    for (std::size_t c = 0; c < kTrendChannels; ++c) {
        series_[c].Append(*newest_, values[c]);
        series_[c].DropBefore(*newest_ - kTrendHistory);
    }
    ++revision_;
}

TrendWindow TrendModel::Latest(TrendTime span, TrendTime now) const {
    const TrendTime end = newest_.value_or(now);
    return {end - span, end};
}

}  // namespace ql50

#include "trend/TrendCsv.h"

#include <ctime>

#include "formats/CsvLines.h"
#include "link/ModulDaten.h"

namespace ql50 {

std::string TrendCsv(const TrendModel& model, TrendWindow window, int language) {
    if (model.typeIndex() < 0) return {};
    std::string csv = CsvHeader(model.typeIndex(), language);
    CModulDaten m;
    m.moduleType = std::uint8_t(model.typeIndex());
    float* const cells[kTrendChannels] = {&m.value1, &m.value2, &m.value3,
                                          &m.value4, &m.value5, &m.temperature};
    // Every channel holds a sample for every poll period, at the same times.
    const TrendSeries& times = model.channel(0);
    for (std::size_t i = 0; i < times.size(); ++i) {
        const TrendTime t = times[i].time;
        if (t < window.from || t > window.to) continue;
        for (std::size_t c = 0; c < kTrendChannels; ++c) *cells[c] = model.channel(c)[i].value;
        const std::time_t seconds = std::time_t(t / 1000 - (t % 1000 < 0 ? 1 : 0));
        std::tm local{};
        localtime_r(&seconds, &local);
        csv += CsvDataLine(local, local.tm_gmtoff, m);
    }
    return csv;
}

}  // namespace ql50

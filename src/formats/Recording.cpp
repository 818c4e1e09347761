#include "formats/Recording.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "link/Format.h"
#include "tables/MessTypen.h"

namespace ql50 {

std::string RecordHeaderLine() {
    return "date\ttime\t[%]\t[\xB0"
           "C]\t[nA]\t[hPa]\t[mg/l]\t[hPa]\n";
}

namespace {

std::string Stamp(const std::tm& t) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d.%02d\t%02d:%02d\t", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min);
    return stamp;
}

}  // namespace

std::string RecordDataLine(const std::tm& t, const CModulDaten& m) {
    struct Column {
        float value;
        int decimals;
    };
    const std::array<Column, 6> columns{{{m.value1, 1},
                                         {m.temperature, 1},
                                         {m.value3, 0},
                                         {m.value4, 0},
                                         {m.value2, 2},
                                         {m.value5, 0}}};
    std::string values;
    for (const Column& c : columns) {
        // A value that is no number is no measurement: its cell stays empty.
        if (std::isfinite(c.value)) values += FormatFixed(c.value, c.decimals);
        values += '\t';
    }
    values.back() = '\r';
    values += '\n';
    std::replace(values.begin(), values.end(), '.', ',');
    return Stamp(t) + values;
}

std::string RecordGapLine(const std::tm& t) {
    return Stamp(t) + "\t\t\t\t\t\r\n";
}

std::string CalibrationSummary(const CModulDaten& m, int language) {
    const MessTypInfo& type = kMessTypen[std::min<unsigned>(m.moduleType, 7)];
    const int lang = language == 1 ? 1 : 0;
    const std::array<float, 4> values{m.calValue1, m.calValue2, m.calValue3, m.calValue4};
    std::string summary;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const char* label = type.calLabel[i][lang].data();
        if (i > 0 && label[0] == '\0') continue;
        summary += std::string(label) + ": " + FormatFixed(values[i], type.calDecimals[i]) + "  ";
    }
    return summary;
}

int RecordTimerMs(int hours, int minutes, int seconds) {
    const long long ms = ((hours * 60LL + minutes) * 60LL + seconds) * 1000LL;
    if (ms <= 0) return 1000;
    return static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max()));
}

}  // namespace ql50

#include "formats/LoggerRecords.h"

#include <cstdio>

#include "formats/DisplayTexts.h"
#include "link/Format.h"
#include "tables/Texte.h"

namespace ql50 {

std::string LoggerExportHeader() {
    return "date\ttime\t[%]\t[mg/l]\t[\xB0"
           "C]\n";
}

float LoggerConcentration(std::uint8_t low, std::uint8_t high) {
    const unsigned raw = low + 255u * high;
    return float(raw) * 0.0099999998f;
}

unsigned LoggerBytePosition(std::uint8_t d0, std::uint8_t d1) {
    return d0 + 255u * d1;
}

std::string LoggerRecordLine(const LoggerRecord& r) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u.%02u.%02u\t%02u:%02u\t", r[0], r[1], r[2], r[3], r[4]);
    const std::string values = std::to_string(r[5]) + '\t' +
                               FormatFixed(LoggerConcentration(r[6], r[7]), 1) + '\t' +
                               std::to_string(static_cast<std::int8_t>(r[8])) + "\t\n";
    return stamp + WithDecimalComma(values);
}

std::optional<LoggerRecord> LoggerRecordAssembler::Push(std::uint8_t d2, std::uint8_t d3) {
    if (resync_) {
        // A broken record is skipped up to and including its end marker.
        if (d3 == kLoggerEndMarker) resync_ = false;
        return std::nullopt;
    }
    buffer_[index_] = d2;
    buffer_[index_ + 1] = d3;
    index_ += 2;
    if (d3 == kLoggerEndMarker) {
        const bool complete = index_ == kLoggerRecordSize;
        index_ = 0;
        if (complete) return buffer_;
        ++dropped_;
        return std::nullopt;
    }
    if (index_ >= kLoggerRecordSize) {
        index_ = 0;
        resync_ = true;
        ++dropped_;
    }
    return std::nullopt;
}

void LoggerRecordAssembler::Reset() {
    index_ = 0;
    resync_ = false;
    dropped_ = 0;
}

LoggerInfo LoggerInfoOf(const CModulDaten& m) {
    return {ClockText(m.clockDate, '.'), ClockText(m.clockTime, ':'),
            ClockText(m.alarmTime, ':'), m.loggerInterval,
            m.loggerByteCount,           m.loggerEnabled != 0};
}

std::string LoggerInfoSummary(const LoggerInfo& info, int language) {
    const std::string line1 = std::string(Tx(kTexte.aktuelleUhrzeit, language)) + ' ' +
                              info.clockDateText + ' ' + info.clockTimeText + "\n\r";
    const std::string line2 =
        std::string(Tx(kTexte.naechsterAlarm, language)) + ' ' + info.alarmTimeText + "\n\r";
    const std::string line3 = std::string(Tx(kTexte.datenloggerIntervall, language)) + ": " +
                              std::to_string(info.loggerInterval) + " min " +
                              Tx(kTexte.vorhandeneDatensaetze, language) + ": " +
                              std::to_string(info.loggerByteCount / 10) + "\n\r";
    const char* state = info.loggerEnabled ? Tx(kTexte.loggerFreigegeben, language)
                                           : Tx(kTexte.loggerNichtFreigegeben, language);
    return line1 + line2 + line3 + state;
}

}  // namespace ql50

#include "care/CalibrationDue.h"

#include <QSettings>

#include "formats/UserSettings.h"
#include "tables/MessTypen.h"

namespace ql50 {
namespace {

constexpr const char* kIntervalKeys[] = {"pH", "Redox", "Conductivity", "Oxygen", "Turbidity"};
constexpr int kLongestInterval = 3650;

// Which interval a type follows.
std::optional<std::size_t> IntervalIndex(int type) {
    if (type == kTypIndexPh) return 0;
    if (type == kTypIndexRedox) return 1;
    if (type >= kTypIndexFirstConductivity && type <= kTypIndexLastConductivity) return 2;
    if (type == kTypIndexSauerstoff) return 3;
    if (type == kTypIndexFrei) return 4;
    return {};
}

QString Say(const char* german, const char* english, int language) {
    return QString::fromUtf8(language == 1 ? english : german);
}

QString Day(QDate date, int language) {
    return date.toString(language == 1 ? QStringLiteral("yyyy-MM-dd")
                                       : QStringLiteral("dd.MM.yyyy"));
}

}  // namespace

DueIntervals DueIntervalsFrom(const QSettings& settings) {
    DueIntervals intervals = kDefaultDueIntervals;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const QString key = QStringLiteral("CalibrationIntervalDays/") + kIntervalKeys[i];
        if (!settings.contains(key)) continue;
        const QString text = settings.value(key).toString().trimmed();
        bool ok = false;
        const int days = text.toInt(&ok);
        if (text.isEmpty() || (ok && days == 0))
            intervals[i] = 0;
        else if (ok && days > 0 && days <= kLongestInterval)
            intervals[i] = days;
    }
    return intervals;
}

DueIntervals UserDueIntervals() {
    const QSettings settings(QString::fromStdString(UserSettingsPath()), QSettings::IniFormat);
    return DueIntervalsFrom(settings);
}

std::optional<ModuleStatus> StatusOf(const ModuleHistory& history, const DueIntervals& intervals,
                                     QDate today) {
    const RecordedCalibration* last = history.LastStored();
    if (last == nullptr) return {};
    ModuleStatus s{history.module, *last, {}, DueState::NotDue, history.VerdictOf(*last)};
    const auto index = IntervalIndex(history.module.type);
    if (!index || intervals[*index] <= 0) return s;
    s.due = last->time.date().addDays(intervals[*index]);
    s.state = today < *s.due    ? DueState::NotDue
              : today == *s.due ? DueState::Due
                                : DueState::Overdue;
    return s;
}

QString DueStateText(DueState state, int language) {
    switch (state) {
        case DueState::NotDue:
            return Say("nicht fällig", "not due", language);
        case DueState::Due:
            return Say("fällig", "due", language);
        case DueState::Overdue:
            return Say("überfällig", "overdue", language);
    }
    return {};
}

QString StatusLine(const ModuleStatus& s, int language) {
    const QString last = Day(s.last.time.date(), language);
    const QString sensor =
        s.verdict
            ? Say(", Sensor: %1", ", sensor: %1", language).arg(VerdictText(*s.verdict, language))
            : QString();
    if (!s.due) return Say("Kalibriert am %1%2", "Calibrated on %1%2", language).arg(last, sensor);
    const QString due = Day(*s.due, language);
    switch (s.state) {
        case DueState::NotDue:
            return Say("Kalibriert am %1%2; nächste Kalibrierung am %3",
                       "Calibrated on %1%2; next calibration on %3", language)
                .arg(last, sensor, due);
        case DueState::Due:
            return Say("Kalibrierung heute fällig (zuletzt am %1%2)",
                       "Calibration due today (last on %1%2)", language)
                .arg(last, sensor);
        case DueState::Overdue:
            return Say("Kalibrierung überfällig, fällig am %3 (zuletzt am %1%2)",
                       "Calibration overdue, due on %3 (last on %1%2)", language)
                .arg(last, sensor, due);
    }
    return {};
}

}  // namespace ql50

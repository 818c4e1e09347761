#include "care/CalibrationDue.h"

#include <QSettings>

#include "care/QtTexts.h"
#include "formats/UserSettings.h"
#include "tables/Meldungen.h"
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

QString Day(QDate date, int language) {
    return date.toString(QTx(kMeldungen.datumsformat, language));
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
            return QTx(kMeldungen.nichtFaellig, language);
        case DueState::Due:
            return QTx(kMeldungen.faellig, language);
        case DueState::Overdue:
            return QTx(kMeldungen.ueberfaellig, language);
    }
    return {};
}

QString StatusLine(const ModuleStatus& s, int language) {
    const QString last = Day(s.last.time.date(), language);
    const QString sensor =
        s.verdict ? QTx(kMeldungen.mitSensor, language).arg(VerdictText(*s.verdict, language))
                  : QString();
    if (!s.due) return QTx(kMeldungen.kalibriertAm, language).arg(last, sensor);
    const QString due = Day(*s.due, language);
    switch (s.state) {
        case DueState::NotDue:
            return QTx(kMeldungen.naechsteKalibrierung, language).arg(last, sensor, due);
        case DueState::Due:
            return QTx(kMeldungen.heuteFaellig, language).arg(last, sensor);
        case DueState::Overdue:
            return QTx(kMeldungen.ueberfaelligSeit, language).arg(last, sensor, due);
    }
    return {};
}

}  // namespace ql50

#include "care/CalibrationHistory.h"

#include <cmath>

#include "care/QtTexts.h"
#include "formats/CsvLines.h"
#include "tables/Cp1252.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"

namespace ql50 {
namespace {

bool IsSensorRun(const RecordedCalibration& run) {
    return run.time.isValid() && run.type >= 0 && run.branch &&
           (run.branch == CalibrationBranch::Ph || run.branch == CalibrationBranch::Redox ||
            run.branch == CalibrationBranch::Conductivity ||
            run.branch == CalibrationBranch::OxygenSlope);
}

bool SameModule(const ModuleRef& a, const RecordedCalibration& run) {
    return a.type == run.type && a.id == run.moduleId &&
           (!a.id.empty() || a.address == run.address);
}

}  // namespace

QString ModuleName(const ModuleRef& m, int language) {
    const QString type =
        m.type >= 0 && m.type < int(kMessTypCount)
            ? QString::fromStdString(
                  Cp1252ToUtf8(kMessTypen[std::size_t(m.type)].name[language == 1 ? 1 : 0].data()))
            : QString();
    if (!m.id.empty())
        return QTx(kMeldungen.modulName, language).arg(QString::fromStdString(m.id), type);
    return QTx(kMeldungen.adresseName, language).arg(m.address).arg(type);
}

const RecordedCalibration* ModuleHistory::LastStored() const {
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        if (run->Stored()) return &*run;
    return nullptr;
}

std::optional<Condition> ModuleHistory::ConditionOf(const RecordedCalibration& run) const {
    return ql50::ConditionOf(run, reference);
}

std::optional<Verdict> ModuleHistory::VerdictOf(const RecordedCalibration& run) const {
    return ql50::VerdictOf(run, reference);
}

std::optional<Drift> ModuleHistory::DriftOf() const {
    std::vector<std::pair<QDateTime, double>> points;
    std::optional<Band> usable;
    for (const RecordedCalibration& run : runs) {
        if (const auto c = ConditionOf(run)) {
            points.emplace_back(run.time, c->value);
            usable = c->usable;
        }
    }
    if (!usable) return {};
    return EstimateDrift(points, *usable);
}

std::vector<ModuleHistory> BuildHistory(const std::vector<RecordedCalibration>& runs) {
    std::vector<ModuleHistory> histories;
    for (const RecordedCalibration& run : runs) {
        if (!IsSensorRun(run)) continue;
        auto h = std::find_if(histories.begin(), histories.end(),
                              [&](const ModuleHistory& m) { return SameModule(m.module, run); });
        if (h == histories.end()) {
            histories.push_back({{run.moduleId, run.address, run.type}, {}, NAN});
            h = histories.end() - 1;
        }
        h->runs.push_back(run);
        if (!std::isfinite(h->reference) && run.Stored() && std::isfinite(run.values[0]))
            h->reference = run.values[0];
    }
    return histories;
}

const ModuleHistory* HistoryOf(const std::vector<ModuleHistory>& histories,
                               const ModuleRef& connected) {
    const ModuleHistory* found = nullptr;
    const auto take = [&](const ModuleHistory& h) {
        if (!found || h.runs.back().time > found->runs.back().time) found = &h;
    };
    for (const ModuleHistory& h : histories)
        if (!connected.id.empty() && h.module.id == connected.id && h.module.type == connected.type)
            take(h);
    if (found) return found;
    for (const ModuleHistory& h : histories)
        if ((connected.id.empty() || h.module.id.empty()) &&
            h.module.address == connected.address && h.module.type == connected.type)
            take(h);
    return found;
}

std::vector<HistoryQuantity> HistoryQuantities(int type) {
    if (type == kTypIndexPh)
        return {{&kMeldungen.steilheit, "%", 0}, {&kMeldungen.asymmetrie, "mV", 1}};
    if (type == kTypIndexRedox) return {{&kMeldungen.offset, "mV", 0}};
    if (type >= kTypIndexFirstConductivity && type <= kTypIndexLastConductivity)
        return {{&kMeldungen.zellkonstante, "1/cm", 0}};
    if (type == kTypIndexSauerstoff) return {{&kMeldungen.anstieg, "nA/100%", 0}};
    return {};
}

double QuantityOf(const ModuleHistory& history, const RecordedCalibration& run,
                  const HistoryQuantity& quantity) {
    if (quantity.index == 1) return run.Stored() ? run.values[0] : NAN;
    const auto condition = history.ConditionOf(run);
    return condition ? condition->value : NAN;
}

QString VerdictText(Verdict verdict, int language) {
    switch (verdict) {
        case Verdict::Good:
            return QTx(kMeldungen.gut, language);
        case Verdict::Usable:
            return QTx(kMeldungen.brauchbar, language);
        case Verdict::CleanOrReplace:
            return QTx(kMeldungen.reinigenOderErsetzen, language);
    }
    return {};
}

QString OutcomeText(std::optional<CalibrationOutcome> outcome, int language) {
    if (!outcome) return QTx(kMeldungen.unbekannt, language);
    switch (*outcome) {
        case CalibrationOutcome::Stored:
            return QTx(kMeldungen.gespeichert, language);
        case CalibrationOutcome::StoredWarned:
            return QTx(kMeldungen.gespeichertTrotzWarnung, language);
        case CalibrationOutcome::Failed:
        case CalibrationOutcome::NotConfirmed:
            return QTx(kMeldungen.abgewiesen, language);
        case CalibrationOutcome::NotStored:
        case CalibrationOutcome::NoAnswer:
            break;
    }
    return QTx(kMeldungen.nichtGespeichert, language);
}

std::string HistoryCsv(const ModuleHistory& history, int language) {
    const auto quantities = HistoryQuantities(history.module.type);
    std::string csv = Cp1252ToUtf8(Tx(kMeldungen.csvZeitErgebnis, language));
    for (const HistoryQuantity& q : quantities)
        csv += ',' + CsvField(Cp1252ToUtf8(Tx(*q.label, language)) + " [" + q.unit + ']');
    csv += ',' + Cp1252ToUtf8(Tx(kMeldungen.sensor, language)) + "\r\n";
    for (const RecordedCalibration& run : history.runs) {
        csv += run.time.toString(Qt::ISODate).toStdString() + ',' +
               CsvField(OutcomeText(run.outcome, language).toStdString());
        for (const HistoryQuantity& q : quantities) {
            const double v = QuantityOf(history, run, q);
            csv += ',' + (std::isfinite(v) ? QString::number(v, 'f', 3).toStdString() : "");
        }
        const auto verdict = history.VerdictOf(run);
        csv += ',' + (verdict ? CsvField(VerdictText(*verdict, language).toStdString()) : "");
        csv += "\r\n";
    }
    return csv;
}

}  // namespace ql50

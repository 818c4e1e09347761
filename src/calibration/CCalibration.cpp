#include "calibration/CCalibration.h"

#include <cmath>
#include <ctime>

#include "calibration/CalibrationDialogs.h"
#include "calibration/CalibrationFormulas.h"
#include "calibration/RecordViewer.h"
#include "formats/Recording.h"
#include "operations/Session.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/CUebertragung.h"
#include "ui/MessageBox.h"
#include "ui/Placement.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

bool Finite(float value) {
    return std::isfinite(value);
}

}  // namespace

// The dialogs of one run: one entry dialog for the whole run, so a value entered in one step is
// the starting value of the next entry unless the step sets another.
struct CCalibration::Run {
    explicit Run(QWidget* parent) : entry(parent), result(parent) {}
    CKalWertEingabe entry;
    CKalWertAusgabe result;
};

CCalibration::CCalibration(Session& session, CalibrationHost& host)
    : session_(session), host_(host) {}

CModulDaten CCalibration::Held() const {
    CModulDaten m = session_.module();
    m.calValue1 = held_.calValue1;
    m.calValue2 = held_.calValue2;
    m.calValue3 = held_.calValue3;
    m.calValue4 = held_.calValue4;
    m.airPressureFactor = held_.airPressureFactor;
    return m;
}

void CCalibration::Calibrate() {
    const ui::KeepInView values([this] { return host_.ValueRowArea(); });
    record_ = {};
    record_.address = session_.address();
    warned_ = false;
    host_.EnsurePortOpen();
    // The store writes all five values back: each of them must come from this module.
    if (ReadCalibration(session_) != Outcome::Done) {
        host_.CommunicationError();
        return Record(CalibrationOutcome::NoAnswer);
    }
    held_ = CalibrationSetOf(session_.module());
    if (session_.module().moduleType >= kMessTypen.size()) return;
    record_.moduleType = session_.module().moduleType;
    record_.before = CalibrationValues(session_.module(), host_.Language());
    host_.ShowTypeLabels();
    host_.StartPolling();
    Run run(host_.HostWindow());
    Branch(run);
    Finish();
    // "frei" has nothing to calibrate, so there is nothing to record.
    if (session_.module().moduleType == kTypIndexFrei) return;
    // Which module was calibrated, so that its history follows it across ports and computers:
    // its device number, read once after the run's last frame.
    if (const auto number = ReadDeviceNumber(session_)) record_.moduleId = ModuleIdText(*number);
    Record(record_.outcome);
}

void CCalibration::Branch(Run& run) {
    const int type = session_.module().moduleType;
    if (type == kTypIndexPh) return CalibratePh(run);
    if (type == kTypIndexRedox) return CalibrateRedox(run);
    if (type >= kTypIndexFirstConductivity && type <= kTypIndexLastConductivity)
        return CalibrateConductivity(run);
    if (type == kTypIndexSauerstoff) return CalibrateOxygen(run);
    host_.StopPolling();  // "frei" has nothing to calibrate
}

// ---- the branches --------------------------------------------------------------------------

void CCalibration::CalibratePh(Run& run) {
    record_.branch = CalibrationBranch::Ph;
    const CModulDaten& m = session_.module();
    SensorPrompt(T(kTexte.sensorPuffer1));
    const float u1 = m.value2;
    const float ph1 = Enter(run, T(kTexte.sollwertEingeben), ChannelUnit());
    SensorPrompt(T(kTexte.sensorPuffer2));
    const float u2 = m.value2;
    const float ph2 = Enter(run, T(kTexte.sollwertEingeben), ChannelUnit());
    host_.StopPolling();
    if (u1 == u2 || ph1 == ph2) return Refuse();
    const PhCalibration result = ComputePhCalibration(u1, u2, ph1, ph2, m.temperature);
    if (!Finite(result.asymmetry) || !Finite(result.slope)) return Refuse();
    held_.calValue1 = result.asymmetry;
    held_.calValue2 = result.slope;
    if (!PhAccepted(result)) Warn();
    Offer(run, CalibrationBranch::Ph);
}

void CCalibration::CalibrateRedox(Run& run) {
    record_.branch = CalibrationBranch::Redox;
    SensorPrompt(T(kTexte.sensorPuffer));
    const float s = Enter(run, T(kTexte.sollwertEingeben), ChannelUnit());
    const float offset = ComputeRedoxOffset(session_.module().value1, held_.calValue1, s);
    host_.StopPolling();
    if (!Finite(offset)) return Refuse();
    held_.calValue1 = offset;
    if (!Accepted(CalibrationCheck::RedoxOffset, offset)) Warn();
    Offer(run, CalibrationBranch::Redox);
}

void CCalibration::CalibrateConductivity(Run& run) {
    record_.branch = CalibrationBranch::Conductivity;
    SensorPrompt(T(kTexte.sensorPuffer));
    const float measured = session_.module().value1;
    const float s = Enter(run, T(kTexte.sollwertEingeben), ChannelUnit());
    const float constant = ComputeCellConstant(measured, s, held_.calValue1);
    host_.StopPolling();
    if (!Finite(constant)) return Refuse();
    held_.calValue1 = constant;
    if (!Accepted(CalibrationCheck::CellConstant, constant)) Warn();
    Offer(run, CalibrationBranch::Conductivity);
}

void CCalibration::CalibrateOxygen(Run& run) {
    const int lang = host_.Language();
    CKalAuswahl choice(host_.HostWindow());
    choice.oxygenText = Qs(Tx(kTexte.sauerstoff, lang));
    choice.airPressureText = Qs(Tx(kTexte.luftdruck, lang));
    choice.salinityText = Qs(Tx(kTexte.salinitaet, lang));
    const int picked = choice.DoModal();
    if (choice.closed) return;  // closing the choice ends the calibration
    if (picked == CKalAuswahl::kSalinity) return CalibrateSalinity(run);
    if (picked == CKalAuswahl::kAirPressure) return CalibrateAirPressure(run);
    CalibrateOxygenSlope(run);
}

void CCalibration::CalibrateSalinity(Run& run) {
    record_.branch = CalibrationBranch::Salinity;
    const float v =
        Enter(run, T(kTexte.salinitaetEingeben), QStringLiteral("g/kg"), held_.calValue4);
    if (!Accepted(CalibrationCheck::Salinity, v)) return Refuse();
    // The salinity changes only when the user stores it.
    const float held = held_.calValue4;
    held_.calValue4 = v;
    if (!Offer(run, CalibrationBranch::Salinity, v)) held_.calValue4 = held;
}

void CCalibration::CalibrateAirPressure(Run& run) {
    record_.branch = CalibrationBranch::AirPressure;
    Message(T(kTexte.wartenStabil));
    const float reading = session_.module().value5;
    const float p = Enter(run, T(kTexte.luftdruckEingeben), QStringLiteral("hPa"), reading);
    if (!Accepted(CalibrationCheck::AirPressure, p)) return Refuse();
    const float factor = ComputeAirPressureFactor(p, reading, held_.airPressureFactor);
    if (!Finite(factor)) return Refuse();
    held_.airPressureFactor = factor;
    Offer(run, CalibrationBranch::AirPressure, p);
}

void CCalibration::CalibrateOxygenSlope(Run& run) {
    record_.branch = CalibrationBranch::OxygenSlope;
    const CModulDaten& m = session_.module();
    SensorPrompt(T(kTexte.sensorKalibriermedium));
    const float x = Enter(run, T(kTexte.sollwertEingeben), ChannelUnit());
    const float slope =
        ComputeOxygenSlope(x, m.value3, m.value5, m.temperature, held_.calValue2, held_.calValue3);
    host_.StopPolling();
    if (!Finite(slope)) return Refuse();
    held_.calValue1 = slope;
    if (!Accepted(CalibrationCheck::OxygenSlope, slope)) Warn();
    Offer(run, CalibrationBranch::OxygenSlope);
}

void CCalibration::Finish() {
    host_.StopPolling();
    host_.ClearValueDisplay();
    host_.ShowCalibrationSummary(CalibrationSummary(Held(), host_.Language()));
}

// ---- storing -------------------------------------------------------------------------------

bool CCalibration::StoreCalibration() {
    CUebertragung progress(host_.HostWindow());
    progress.Create(host_.HostWindow());
    progress.SetRange(0, 5);
    progress.SetPos(1);
    // Position 6 lies beyond the range: the bar stays full.
    const Outcome stored =
        ql50::StoreCalibration(session_, held_, [&](int position) { progress.SetPos(position); });
    progress.DestroyWindow();
    if (stored == Outcome::Done) return true;
    // The window shows what the module holds, never what it may not have taken.
    held_ = CalibrationSetOf(session_.module());
    const std::string text = T(kMeldungen.kalibrierungNichtBestaetigt);
    host_.ShowStatus(text);
    Message(text.c_str());
    return false;
}

// ---- dialogs and messages ------------------------------------------------------------------

void CCalibration::Message(const char* text) {
    ui::MessageBox(host_.HostWindow(), Qs(text));
}

void CCalibration::SensorPrompt(const char* immerse) {
    Message(immerse);
    Message(T(kTexte.wartenStabil));
}

float CCalibration::Enter(Run& run, const char* prompt, const QString& unit,
                          std::optional<float> start) {
    run.entry.promptText = Qs(prompt);
    run.entry.unitText = unit;
    if (start) run.entry.value = *start;
    run.entry.DoModal();
    return run.entry.value;
}

// Nothing was computed that could be stored: the run goes on to its end.
void CCalibration::Refuse() {
    record_.outcome = CalibrationOutcome::Failed;
    Message(T(kTexte.kalibrierfehler));
}

// The computed value lies outside the accepted range; the user may still store it.
void CCalibration::Warn() {
    warned_ = true;
    Message(T(kTexte.kalibrierfehler));
}

bool CCalibration::Offer(Run& run, CalibrationBranch branch, float entered) {
    const int lang = host_.Language();
    const ResultLines lines =
        CalibrationResultLines(branch, session_.module().moduleType, lang,
                               {held_.calValue1, held_.calValue2, held_.calValue3, entered});
    CKalWertAusgabe& r = run.result;
    r.saveText = Qs(Tx(kTexte.speichern, lang));
    r.exitText = Qs(Tx(kTexte.beenden, lang));
    r.labelText1 = Qs(lines.labels[0]);
    r.labelText2 = Qs(lines.labels[1]);
    r.labelText3 = Qs(lines.labels[2]);
    r.resultText1 = Qs(lines.values[0]);
    r.resultText2 = Qs(lines.values[1]);
    r.resultText3 = Qs(lines.values[2]);
    r.outsideRange = warned_;
    if (r.DoModal() != ui::kIdOk) return false;
    const bool stored = StoreCalibration();
    record_.outcome = !stored   ? CalibrationOutcome::NotConfirmed
                      : warned_ ? CalibrationOutcome::StoredWarned
                                : CalibrationOutcome::Stored;
    record_.after = CalibrationValues(session_.module(), lang);
    return true;
}

// ---- the calibration record ---------------------------------------------------------------

void CCalibration::Record(CalibrationOutcome outcome) {
    record_.outcome = outcome;
    record_.time = std::time(nullptr);
    if (record_.branch) record_.temperature = session_.module().temperature;
    if (outcome == CalibrationOutcome::Stored || outcome == CalibrationOutcome::StoredWarned)
        record_.stored = {held_.calValue1, held_.calValue2, held_.calValue3, held_.calValue4,
                          held_.airPressureFactor};
    const int lang = host_.Language();
    std::string error;
    if (AppendCalibrationRecord(host_.CalibrationRecordPath(), record_, lang, &error) ||
        recordErrorShown_)
        return;
    recordErrorShown_ = true;
    ui::MessageBox(
        host_.HostWindow(),
        Qs(Tx(kMeldungen.protokollNichtSchreibbar, lang)).arg(QString::fromStdString(error)));
}

void CCalibration::ShowRecord() {
    ShowCalibrationRecord(host_.HostWindow(), host_.CalibrationRecordPath(), host_.Language());
}

QString CCalibration::ChannelUnit() const {
    return Qs(kMessTypen[session_.module().moduleType].channelUnit[0].data());
}

}  // namespace ql50

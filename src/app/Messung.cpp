// The live measurement of the main window: start and stop, the poll, the recording file.
#include <QDateTime>
#include <chrono>
#include <ctime>

#include "app/CHauptDialog.h"
#include "formats/Recording.h"
#include "operations/LiveOps.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace ql50 {

void CHauptDialog::OnMessungStarten() {
    if (measuring) {
        StopMeasurement();
        return;
    }
    // The start waits for replies while the window stays usable: a second click meanwhile
    // must not start a second start.
    if (startRunning_) return;
    startRunning_ = true;
    StartMeasurement();
    startRunning_ = false;
}

bool CHauptDialog::StartMeasurement() {
    if (!EnsurePortOpen()) return false;
    if (ReadStartValues(session_) != Outcome::Done) {
        CommunicationError();
        return false;
    }
    care_.MeasurementStarted(session_.address(), session_.module().moduleType);
    calSummary_ = CalibrationSummary(session_.module(), language());
    ShowTypeLabels();
    const Settings& s = settings;
    SetTimer(kTimerPoll, kPollMs);
    SetTimer(kTimerRecord, RecordTimerMs(s.hours, s.minutes, s.seconds));
    session_.ForgetLiveCycle();
    measureStart_ = std::chrono::steady_clock::now();
    measuring = true;
    BeginTrendRun();
    recordingErrorShown_ = false;
    if (!recordingFile.Write(RecordHeaderLine())) ReportRecordingError();
    SetMeasuringButtons(true);
    return true;
}

void CHauptDialog::StopMeasurement() {
    measuring = false;
    EndTrendRun();
    ShowStale(false);
    lineLostAt_.reset();
    SetMeasuringButtons(false);
    KillTimer(kTimerPoll);
    KillTimer(kTimerRecord);
    // Replies still under way are handled before the values disappear.
    session_.PumpDelay(2);
    ClearValueDisplay();
}

void CHauptDialog::ClearValueDisplay() {
    session_.PumpDelay(1);
    for (std::string& text : valueTexts_) text.clear();
    UpdateData(false);
}

void CHauptDialog::SetMeasuringButtons(bool measuringNow) {
    const int lang = language();
    SetItemText(kIdMessung, Qs(measuringNow ? Tx(kTexte.messungBeenden, lang)
                                            : Tx(kTexte.messungStarten, lang)));
    for (int id : kIdleButtons) EnableItem(id, !measuringNow);
    // The factory button stays off after a measurement until the Setup is confirmed again.
    if (measuringNow) EnableItem(kIdParametrieren, false);
}

void CHauptDialog::ShowTypeLabels() {
    const MessTypInfo& type = kMessTypen[std::min<unsigned>(session_.module().moduleType, 7)];
    const int lang = language();
    for (int c = 0; c < 6; ++c) SetItemText(kIdLabel1 + c, Qs(type.channelLabel[c][lang].data()));
    for (int c = 0; c < 5; ++c) SetItemText(kIdUnit1 + c, Qs(type.channelUnit[c].data()));
}

// The six columns of labels, values and units, on screen.
QRect CHauptDialog::ValueRowArea() const {
    QRect row;
    for (int i = 0; i < 6; ++i) {
        for (const int id : {kIdLabel1 + i, kIdValue1 + i, i < 5 ? kIdUnit1 + i : -1}) {
            if (const QWidget* item = Item(id))
                row |= QRect(item->mapToGlobal(QPoint(0, 0)), item->size());
        }
    }
    return row;
}

void CHauptDialog::WriteRecordLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // Values no poll cycle brought (the module silent, the line gone, nothing yet) are never
    // recorded as new: the interval keeps its line with empty cells.
    const std::string line =
        LastCycleFresh(session_) ? RecordDataLine(local, session_.module()) : RecordGapLine(local);
    if (!recordingFile.Write(line)) ReportRecordingError();
}

// The value fields are greyed while their values are old, and the status text says since when
// the module has not answered.
void CHauptDialog::ShowStale(bool stale, bool sayWhy) {
    if (stale == staleShown_) return;
    staleShown_ = stale;
    for (int i = 0; i < 6; ++i) EnableItem(kIdValue1 + i, !stale);
    if (!sayWhy) {
        UpdateData(false);
        return;
    }
    if (stale) {
        const auto last = session_.lastLiveCycle().value_or(measureStart_);
        const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - last);
        const QString since =
            QDateTime::currentDateTime().addMSecs(-ago.count()).toString("HH:mm:ss");
        statusText() =
            Utf8ToCp1252(Qs(Tx(kMeldungen.keineAntwortSeit, language())).arg(since).toStdString());
    } else {
        statusText() = Tx(kTexte.keinFehler, language());
    }
    UpdateData(false);
}

void CHauptDialog::ReportRecordingError() {
    // Told once per measurement; the measurement goes on and the status text keeps saying so.
    const QString reason = QString::fromStdString(recordingFile.ErrorText());
    statusText() =
        Utf8ToCp1252(QString::fromUtf8("Aufzeichnung gestört: %1").arg(reason).toStdString());
    UpdateData(false);
    if (recordingErrorShown_) return;
    recordingErrorShown_ = true;
    ui::MessageBox(this, QString::fromUtf8("Die Aufzeichnungsdatei kann nicht geschrieben "
                                           "werden:\n%1")
                             .arg(reason));
}

}  // namespace ql50

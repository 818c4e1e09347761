#include "logger/CLoggerReadout.h"

#include <QFileInfo>

#include "conversation/CConversation.h"
#include "conversation/QtText.h"
#include "tables/Texte.h"
#include "ui/CUebertragung.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"

namespace ql50 {
namespace {
constexpr int kWatchdogMs = 3000;
}

CLoggerReadout::CLoggerReadout(CConversation& conversation, LoggerHost& host)
    : conv_(conversation), host_(host) {
    watchdog_.setInterval(kWatchdogMs);
    connect(&watchdog_, &QTimer::timeout, this, &CLoggerReadout::OnWatchdog);
    connect(&conv_, &CConversation::loggerFrame, this, &CLoggerReadout::OnLoggerFrame);
}

CLoggerReadout::~CLoggerReadout() = default;

void CLoggerReadout::ReadLogger() {
    host_.EnsurePortOpen();  // without a port the size request simply goes unanswered
    const QString path = ui::ChooseTextFile(
        host_.HostWindow(),
        host_.Language() == 1 ? QStringLiteral("logger") : QStringLiteral("datenlogger"));
    if (path.isEmpty()) return;
    // A read-out still streaming gives way to the new one; a cancelled choice leaves it alone.
    EndReadout();
    readoutArmed_ = false;
    host_.ReleaseRecordingFile(QFileInfo(path).fileName().toStdString());
    exportErrorShown_ = false;
    if (!exportFile_.Create(path.toStdString()))
        return host_.ReportFileError(QString::fromStdString(exportFile_.ErrorText()));
    if (!exportFile_.Write(LoggerExportHeader())) return ReportExportError();

    if (!conv_.Ask(req::kLoggerLevel)) {
        exportFile_.Close();
        host_.CommunicationError();
        return;
    }
    const unsigned byteCount = conv_.modul.loggerByteCount;
    if (byteCount < 3) {
        exportFile_.Close();
        ui::MessageBox(host_.HostWindow(), Qs(Tx(kTexte.loggerLeer, host_.Language())));
        return;
    }
    StartTransferWindow(int(byteCount / 2));
    recordBuffer_.Reset();
    progressStep_ = progressSeen_ = 1;
    expectedRecords_ = byteCount / kLoggerRecordSize;
    writtenRecords_ = 0;
    running_ = true;
    conv_.SetStreaming(true);
    watchdog_.start();
    conv_.Ask(req::kLoggerStream);
    if (running_) transferDialog_->SetPos(progressStep_);
    ++progressStep_;
}

void CLoggerReadout::StartTransferWindow(int range) {
    const int lang = host_.Language();
    transferDialog_ = std::make_unique<CUebertragung>(host_.HostWindow());
    transferDialog_->text = Qs(Tx(kTexte.datenuebertragungLaeuft, lang));
    transferDialog_->Create(host_.HostWindow());
    transferDialog_->SetCaption(Qs(Tx(kTexte.datenuebertragung, lang)));
    transferDialog_->SetRange(0, range);
}

void CLoggerReadout::OnLoggerFrame(const Frame& frame) {
    // Frames after the read-out has ended (a late module) find no open file: ignored.
    if (!running_) return;
    if (!readoutArmed_) {
        readoutArmed_ = true;
        return;
    }
    transferDialog_->SetPos(progressStep_);
    ++progressStep_;
    const std::uint8_t d3 = frame[kPosD3];
    const auto record = recordBuffer_.Push(frame[kPosD2], d3);
    if (record) {
        if (!exportFile_.Write(LoggerRecordLine(*record))) return ReportExportError();
        ++writtenRecords_;
    }
    if (d3 == kLoggerEndMarker) {
        conv_.texts.statusText =
            "Byte: " + std::to_string(LoggerBytePosition(frame[kPosD0], frame[kPosD1])) + " ";
        host_.Refresh();
    }
}

void CLoggerReadout::OnWatchdog() {
    if (progressStep_ != progressSeen_) {
        progressSeen_ = progressStep_;
        return;
    }
    EndReadout();
    if (writtenRecords_ < expectedRecords_) ReportShortReadout();
}

// A read-out that lost records must never look complete.
void CLoggerReadout::ReportShortReadout() {
    const QString text = host_.Language() == 1
                             ? QStringLiteral(
                                   "The data logger was not read out completely: %1 of %2 records "
                                   "received.")
                             : QString::fromUtf8(
                                   "Der Datenlogger wurde nicht vollständig ausgelesen: %1 von %2 "
                                   "Datensätzen empfangen.");
    ui::MessageBox(host_.HostWindow(), text.arg(writtenRecords_).arg(expectedRecords_));
}

void CLoggerReadout::EndReadout() {
    watchdog_.stop();
    conv_.SetStreaming(false);
    if (transferDialog_) transferDialog_->DestroyWindow();
    exportFile_.Close();
    running_ = false;
}

void CLoggerReadout::ReportExportError() {
    // Told once; the read-out ends, so nothing more goes to a file that fails.
    const QString reason = QString::fromStdString(exportFile_.ErrorText());
    EndReadout();
    if (exportErrorShown_) return;
    exportErrorShown_ = true;
    ui::MessageBox(
        host_.HostWindow(),
        QString::fromUtf8("Die Exportdatei kann nicht geschrieben werden:\n%1").arg(reason));
}

}  // namespace ql50

// The read-out of the module's data logger into an export file. One request starts a stream of
// register-54 frames that arrive while the window stays usable; the read-out ends when no frame
// has come for one period of the read-out timer.
#include <QFileInfo>

#include "app/CHauptDialog.h"
#include "conversation/QtText.h"
#include "logger/LoggerDialogs.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"

namespace ql50 {

QString ChooseTextFile(QWidget* parent);

void CHauptDialog::ReadLogger() {
    EnsurePortOpen();  // without a port the size request simply goes unanswered
    const QString path = ChooseTextFile(this);
    if (path.isEmpty()) return;
    // A read-out still streaming gives way to the new one; a cancelled choice leaves it alone.
    EndReadout();
    readoutArmed = false;
    if (QFileInfo(path).fileName().toStdString() == recordingFile.FileName()) {
        recordingFile.Close();
        EnableItem(kIdMessung, false);
    }
    exportErrorShown_ = false;
    if (!exportFile.Create(path.toStdString())) return ReportFileError(exportFile);
    if (!exportFile.Write(LoggerExportHeader())) return ReportExportError();

    conv_.SendCommand(conv_.deviceAddress, kReadValue, 2, 55);
    if (!conv_.WaitForReply()) {
        exportFile.Close();
        CommunicationError();
        return;
    }
    const unsigned byteCount = conv_.modul.loggerByteCount;
    if (byteCount < 3) {
        exportFile.Close();
        ui::MessageBox(this, Qs(Tx(kTexte.loggerLeer, language())));
        return;
    }
    StartTransferWindow(int(byteCount / 2));
    recordBuffer.Reset();
    progressStep = progressSeen = 1;
    readoutRunning_ = true;
    SetTimer(kTimerReadout, 3000);
    conv_.SendCommand(conv_.deviceAddress, kReadValue, 4, 54);
    conv_.WaitForReply();
    if (readoutRunning_) transferDialog_->SetPos(progressStep);
    ++progressStep;
}

void CHauptDialog::StartTransferWindow(int range) {
    const int lang = language();
    transferDialog_ = std::make_unique<CUebertragung>(this);
    transferDialog_->text = Qs(Tx(kTexte.datenuebertragungLaeuft, lang));
    transferDialog_->Create(this);
    transferDialog_->SetCaption(Qs(Tx(kTexte.datenuebertragung, lang)));
    transferDialog_->SetRange(0, range);
}

void CHauptDialog::OnLoggerFrame(const Frame& frame) {
    // Frames after the read-out has ended (a late module) find no open file: ignored.
    if (!readoutRunning_) return;
    // The module answers the request once before it streams: that frame carries no record.
    if (!readoutArmed) {
        readoutArmed = true;
        return;
    }
    transferDialog_->SetPos(progressStep);
    ++progressStep;
    const std::uint8_t d3 = frame[kPosD3];
    const auto record = recordBuffer.Push(frame[kPosD2], d3);
    if (record && !exportFile.Write(LoggerRecordLine(*record))) return ReportExportError();
    if (d3 == kLoggerEndMarker) {
        statusText() =
            "Byte: " + std::to_string(LoggerBytePosition(frame[kPosD0], frame[kPosD1])) + " ";
        UpdateData(false);
    }
}

void CHauptDialog::OnReadoutTimer() {
    if (progressStep == progressSeen) EndReadout();
    progressSeen = progressStep;
}

void CHauptDialog::EndReadout() {
    KillTimer(kTimerReadout);
    if (transferDialog_) transferDialog_->DestroyWindow();
    exportFile.Close();
    readoutRunning_ = false;
}

void CHauptDialog::ReportExportError() {
    // Told once; the read-out ends, so nothing more goes to a file that fails.
    const QString reason = QString::fromStdString(exportFile.ErrorText());
    EndReadout();
    if (exportErrorShown_) return;
    exportErrorShown_ = true;
    ui::MessageBox(
        this, QString::fromUtf8("Die Exportdatei kann nicht geschrieben werden:\n%1").arg(reason));
}

}  // namespace ql50

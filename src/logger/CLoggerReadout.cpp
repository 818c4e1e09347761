#include "logger/CLoggerReadout.h"

#include <QFileInfo>

#include "formats/DisplayTexts.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/CUebertragung.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace ql50 {

CLoggerReadout::CLoggerReadout(Session& session, LoggerHost& host) : host_(host), export_(session) {
    LoggerReadout& readout = export_.readout();
    connect(&readout, &LoggerReadout::started, this, &CLoggerReadout::StartTransferWindow);
    connect(&readout, &LoggerReadout::progress, this, [this](int position) {
        if (transferDialog_) transferDialog_->SetPos(position);
    });
    connect(&readout, &LoggerReadout::bytePosition, this, [this](unsigned position) {
        host_.ShowStatus(LoggerPositionText(position));
        host_.Refresh();
    });
    connect(&export_, &LoggerExport::finished, this, &CLoggerReadout::OnFinished);
}

CLoggerReadout::~CLoggerReadout() = default;

void CLoggerReadout::ReadLogger() {
    host_.EnsurePortOpen();  // without a port the size request simply goes unanswered
    const QString path = ui::ChooseTextFile(host_.HostWindow(),
                                            Qs(Tx(kMeldungen.dateiDatenlogger, host_.Language())));
    if (path.isEmpty()) return;
    // A read-out still streaming gives way to the new one; a cancelled choice leaves it alone.
    EndReadout();
    host_.ReleaseRecordingFile(QFileInfo(path).fileName().toStdString());
    switch (export_.Start(path.toStdString())) {
        case Outcome::Done:
            break;
        case Outcome::FileError:
            if (!export_.created())
                return host_.ReportFileError(QString::fromStdString(export_.fileError()));
            return ReportExportError();
        case Outcome::Empty:
            ui::MessageBox(host_.HostWindow(), Qs(Tx(kTexte.loggerLeer, host_.Language())));
            return;
        default:
            return host_.CommunicationError();
    }
}

void CLoggerReadout::StartTransferWindow(int range) {
    const int lang = host_.Language();
    transferDialog_ = std::make_unique<CUebertragung>(host_.HostWindow());
    transferDialog_->text = Qs(Tx(kTexte.datenuebertragungLaeuft, lang));
    transferDialog_->Create(host_.HostWindow());
    transferDialog_->SetCaption(Qs(Tx(kTexte.datenuebertragung, lang)));
    transferDialog_->SetRange(0, range);
}

void CLoggerReadout::OnFinished(Outcome outcome) {
    EndReadout();
    if (outcome == Outcome::FileError) return ReportExportError();
    if (outcome != Outcome::Short && outcome != Outcome::LineLost) return;
    // A read-out that lost records must never look complete.
    ui::MessageBox(host_.HostWindow(), Qs(Tx(kMeldungen.loggerUnvollstaendig, host_.Language()))
                                           .arg(export_.writtenRecords())
                                           .arg(export_.expectedRecords()));
}

void CLoggerReadout::EndReadout() {
    export_.Stop();
    if (transferDialog_) transferDialog_->DestroyWindow();
}

void CLoggerReadout::ReportExportError() {
    // Told once; the read-out has ended, so nothing more goes to a file that fails.
    EndReadout();
    ui::MessageBox(host_.HostWindow(), Qs(Tx(kMeldungen.exportNichtSchreibbar, host_.Language()))
                                           .arg(QString::fromStdString(export_.fileError())));
}

}  // namespace ql50

// The recording set-up of the main window: the recording file and the recording interval.
#include <QFileInfo>

#include "app/CHauptDialog.h"
#include "logger/LoggerDialogs.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace ql50 {

void CHauptDialog::SetupRecording() {
    // The open recording file is closed while the user chooses; a cancel reopens it, so the
    // recording goes on appending to it.
    std::string remembered;
    if (recordingFile.FileName().size() > 1) {
        remembered = recordingFile.Path();
        recordingFile.Close();
    }
    auto reopen = [&] {
        if (!remembered.empty() && !recordingFile.OpenAppend(remembered))
            ReportFileError(QString::fromStdString(recordingFile.ErrorText()));
    };
    const QString path = ui::ChooseTextFile(this, Qs(Tx(kMeldungen.dateiMessung, language())));
    if (path.isEmpty()) return reopen();

    CIntervallEingabe dlg(this);
    const Settings& s = settings;
    dlg.interval = QTime(0, 0).addSecs((s.hours * 60 + s.minutes) * 60 + s.seconds);
    if (dlg.DoModal() != ui::kIdOk) return reopen();

    if (!recordingFile.Create(path.toStdString())) {
        ReportFileError(QString::fromStdString(recordingFile.ErrorText()));
        return reopen();
    }
    recordingLabel_ =
        Qs(Tx(kTexte.aufzeichnungsdatei, language())) + ": " + QFileInfo(path).fileName();
    settings.hours = dlg.interval.hour();
    settings.minutes = dlg.interval.minute();
    settings.seconds = dlg.interval.second();
    EnableItem(kIdMessung, true);
    UpdateData(false);
}

}  // namespace ql50

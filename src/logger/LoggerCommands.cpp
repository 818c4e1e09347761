#include "logger/LoggerCommands.h"

#include <QDateTime>

#include "formats/LoggerRecords.h"
#include "logger/CLoggerReadout.h"
#include "logger/LoggerDialogs.h"
#include "operations/LoggerOps.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace ql50 {

void ShowLoggerInfo(Session& session, LoggerHost& host) {
    host.EnsurePortOpen();
    if (ReadLoggerInfo(session) != Outcome::Done) return host.CommunicationError();
    host.ShowStatus(LoggerInfoSummary(LoggerInfoOf(session.module()), host.Language()));
    host.Refresh();
}

void SetLoggerClock(Session& session, LoggerHost& host) {
    host.EnsurePortOpen();
    CUhrzeitStellen dlg(host.HostWindow());
    dlg.cancelText = Qs(Tx(kTexte.abbrechen, host.Language()));
    const QDateTime now = QDateTime::currentDateTime();
    dlg.date = now.date();
    dlg.time = now.time();
    if (dlg.DoModal() != ui::kIdOk) return;
    const QDate d = dlg.date;
    const QTime t = dlg.time;
    const Outcome outcome =
        SetModuleClock(session, {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
    if (outcome == Outcome::Refused) {
        // The module keeps the year as one byte after 2000: any other year would wrap.
        ui::MessageBox(host.HostWindow(), Qs(Tx(kMeldungen.uhrJahrUngueltig, host.Language()))
                                              .arg(d.toString(QStringLiteral("dd.MM.yyyy")))
                                              .arg(kFirstClockYear)
                                              .arg(kLastClockYear));
        return;
    }
    if (outcome != Outcome::Done) host.CommunicationError();
}

void ClearLogger(Session& session, LoggerHost& host) {
    host.EnsurePortOpen();
    const int lang = host.Language();
    CAbfrage dlg(host.HostWindow());
    dlg.question = Qs(Tx(kTexte.loggerWirklichLoeschen, lang));
    dlg.yesText = Qs(Tx(kTexte.ja, lang));
    dlg.noText = Qs(Tx(kTexte.nein, lang));
    if (dlg.DoModal() != ui::kIdOk) return;
    if (ql50::ClearLogger(session) != Outcome::Done) host.CommunicationError();
}

}  // namespace ql50

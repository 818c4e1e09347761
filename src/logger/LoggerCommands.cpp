#include "logger/LoggerCommands.h"

#include <QDateTime>

#include "conversation/CConversation.h"
#include "conversation/QtText.h"
#include "formats/LoggerRecords.h"
#include "link/Encoding.h"
#include "logger/LoggerDialogs.h"
#include "tables/Texte.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

void ShowLoggerInfo(CConversation& conv, ui::ProcedureHost& host) {
    host.EnsurePortOpen();
    if (!conv.Ask(req::kLoggerLevel)) return host.CommunicationError();
    // Alarm, time, date, interval, release: missing replies keep the values held.
    for (const Request& r : {req::kReadAlarm, req::kReadTime, req::kReadDate,
                             req::kReadLoggerInterval, req::kInfoLoggerRelease})
        conv.Ask(r);
    const CModulDaten& m = conv.modul;
    conv.texts.statusText =
        LoggerInfoSummary({m.clockDateText, m.clockTimeText, m.alarmTimeText, m.loggerInterval,
                           m.loggerByteCount, m.loggerEnabled != 0},
                          host.Language());
    host.Refresh();
}

void SetLoggerClock(CConversation& conv, ui::ProcedureHost& host) {
    host.EnsurePortOpen();
    CUhrzeitStellen dlg(host.HostWindow());
    dlg.cancelText = Qs(Tx(kTexte.abbrechen, host.Language()));
    const QDateTime now = QDateTime::currentDateTime();
    dlg.date = now.date();
    dlg.time = now.time();
    if (dlg.DoModal() != ui::kIdOk) return;
    const QTime t = dlg.time;
    if (!conv.Ask(req::kWriteTime,
                  {std::uint8_t(t.hour()), std::uint8_t(t.minute()), std::uint8_t(t.second()), 0}))
        return host.CommunicationError();
    // The date goes out as year, day, month.
    const QDate d = dlg.date;
    conv.Ask(req::kWriteDate,
             {std::uint8_t(d.year() - 2000), std::uint8_t(d.day()), std::uint8_t(d.month()), 0});
}

void ClearLogger(CConversation& conv, ui::ProcedureHost& host) {
    host.EnsurePortOpen();
    const int lang = host.Language();
    CAbfrage dlg(host.HostWindow());
    dlg.question = Qs(Tx(kTexte.loggerWirklichLoeschen, lang));
    dlg.yesText = Qs(Tx(kTexte.ja, lang));
    dlg.noText = Qs(Tx(kTexte.nein, lang));
    if (dlg.DoModal() != ui::kIdOk) return;
    if (!conv.Ask(req::kLoggerClear, EncodeUint8(kLoggerClearCommand))) host.CommunicationError();
}

}  // namespace ql50

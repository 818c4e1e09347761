// Logger information, the module's clock and clearing the logger.
#include <QDateTime>

#include "app/CHauptDialog.h"
#include "conversation/QtText.h"
#include "logger/LoggerDialogs.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"

namespace ql50 {

void CHauptDialog::ShowLoggerInfo() {
    EnsurePortOpen();
    const std::uint8_t address = conv_.deviceAddress;
    conv_.SendCommand(address, kReadValue, 2, 55);
    if (!conv_.WaitForReply()) {
        CommunicationError();
        return;
    }
    struct Request {
        std::uint8_t op, type, reg;
    };
    // Alarm, time, date, interval, release: missing replies keep the values held.
    for (const Request& r :
         {Request{kReadValue, 4, 56}, Request{kReadValue, 3, 59}, Request{kReadValue, 3, 58},
          Request{kReadParam, 2, 76}, Request{kReadParam, 2, 77}}) {
        conv_.SendCommand(address, r.op, r.type, r.reg);
        conv_.WaitForReply();
    }
    const CModulDaten& m = conv_.modul;
    statusText() = LoggerInfoSummary({m.clockDateText, m.clockTimeText, m.alarmTimeText,
                                      m.loggerInterval, m.loggerByteCount, m.loggerEnabled != 0},
                                     language());
    UpdateData(false);
}

void CHauptDialog::SetLoggerClock() {
    EnsurePortOpen();
    CUhrzeitStellen dlg(this);
    dlg.cancelText = Qs(Tx(kTexte.abbrechen, language()));
    const QDateTime now = QDateTime::currentDateTime();
    dlg.date = now.date();
    dlg.time = now.time();
    if (dlg.DoModal() != ui::kIdOk) return;
    const std::uint8_t address = conv_.deviceAddress;
    const QTime t = dlg.time;
    conv_.SendCommand(
        address, kWriteValue, 3, 59,
        {std::uint8_t(t.hour()), std::uint8_t(t.minute()), std::uint8_t(t.second()), 0});
    if (!conv_.WaitForReply()) {
        CommunicationError();
        return;
    }
    // The date goes out as year, day, month.
    const QDate d = dlg.date;
    conv_.SendCommand(
        address, kWriteValue, 3, 58,
        {std::uint8_t(d.year() - 2000), std::uint8_t(d.day()), std::uint8_t(d.month()), 0});
    conv_.WaitForReply();
}

void CHauptDialog::ClearLogger() {
    EnsurePortOpen();
    const int lang = language();
    CAbfrage dlg(this);
    dlg.question = Qs(Tx(kTexte.loggerWirklichLoeschen, lang));
    dlg.yesText = Qs(Tx(kTexte.ja, lang));
    dlg.noText = Qs(Tx(kTexte.nein, lang));
    if (dlg.DoModal() != ui::kIdOk) return;
    conv_.SendCommand(conv_.deviceAddress, kWriteValue, 2, 55, {2, 0, 0, 0});
    if (!conv_.WaitForReply()) CommunicationError();
}

}  // namespace ql50

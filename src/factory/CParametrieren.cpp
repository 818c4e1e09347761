#include "factory/CParametrieren.h"

#include <QDateTime>
#include <QPrinter>

#include "factory/ParameterReport.h"
#include "operations/FactoryOps.h"
#include "ui/CUebertragung.h"
#include "ui/DataExchange.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

struct CParametrieren::Adjustment {
    int button;
    AdjustPoint point;
    int timer;
};

namespace {

using ui::Ctl;
using P = CParametrieren;

constexpr ui::ControlTemplate kControls[] = {
    {-1, Ctl::GroupBox, "Temperatur", 7, 5, 132, 34},
    {P::kIdTemp0, Ctl::Button, "1,000k", 14, 18, 56, 14},
    {P::kIdTemp100, Ctl::Button, "1,385k", 76, 18, 56, 14},
    {-1, Ctl::GroupBox, "Parawerte", 7, 44, 132, 52},
    {P::kIdInputHigh, Ctl::Button, "2,4M", 14, 57, 56, 14},
    {P::kIdInputOpen, Ctl::Button, "Offen", 76, 57, 56, 14},
    {P::kIdBattery, Ctl::Button, "Batterie 7V", 14, 76, 56, 14},
    {-1, Ctl::GroupBox, "Gerätenummer", 7, 101, 132, 50},
    {P::kIdDeviceNumber, Ctl::Edit, "", 14, 114, 56, 14, ui::kDigits},
    {P::kIdProgram, Ctl::Button, "PROG", 76, 114, 56, 14},
    {P::kIdComposting, Ctl::Check, "Kompostierung", 14, 135, 110, 10},
    {-1, Ctl::GroupBox, "aktuelle Werte", 146, 5, 140, 146},
    {P::kIdReport, Ctl::Static, "", 153, 17, 126, 106},
    {P::kIdRefresh, Ctl::Button, "Aktualisieren", 153, 130, 60, 14},
    {P::kIdPrint, Ctl::Button, "Drucken", 219, 130, 60, 14},
    {ui::kIdCancel, Ctl::Button, "Beenden", 236, 157, 50, 14},
};
constexpr ui::DialogTemplate kTemplate{131, "Parametrieren", 293, 177, "MS Sans Serif",
                                       8,   kControls};

// Each button's timer keeps the reading of its input fresh: 3 the measuring input, 4 the
// temperature input, 5 the battery.
constexpr P::Adjustment kAdjustments[] = {
    {P::kIdTemp0, AdjustPoint::Temperature0, 4},  {P::kIdTemp100, AdjustPoint::Temperature100, 4},
    {P::kIdInputOpen, AdjustPoint::InputOpen, 3}, {P::kIdInputHigh, AdjustPoint::InputHigh, 3},
    {P::kIdBattery, AdjustPoint::Battery, 5},
};

QString Line(const char* format, unsigned value) {
    return QString::asprintf(format, value);
}

// The report's lines after the date, from the module data the reads left.
QString ReportText(const QDateTime& now, const CModulDaten& m) {
    QString text = QString::asprintf("%02u.%02u.%u  %02u:%02u\n\r\n\r", unsigned(now.date().day()),
                                     unsigned(now.date().month()), unsigned(now.date().year()),
                                     unsigned(now.time().hour()), unsigned(now.time().minute()));
    text += Line("TEMP00_I          %u\n\r", unsigned(m.tempAdjust0));
    text += Line("TEMP100_I         %u\n\r", unsigned(m.tempAdjust100));
    text += Line("PARA00_I          %u\n\r", unsigned(m.inputAdjustOpen));
    text += Line("PARA01_I          %u\n\r", unsigned(m.inputAdjust24M));
    text += Line("PARA10_I          %u\n\r", unsigned(m.batteryAdjust));
    text += Line("MESS_TYP          %u\n\r", m.moduleType + 1u);
    text += QStringLiteral("HERSTELLER        %1\n\r").arg(DeviceCode(m.manufacturer));
    text += Line("ANZEIGE Typ        %u\n\r", m.displayType);
    return text;
}

}  // namespace

CParametrieren::CParametrieren(Session& session, ui::ProcedureHost& host)
    : ui::CDialog(kTemplate, host.HostWindow()),
      valueWindow(host.HostWindow()),
      session_(session),
      host_(host) {
    for (const Adjustment& a : kAdjustments) OnCommand(a.button, [this, &a] { AdjustInput(a); });
    OnCommand(kIdRefresh, [this] { RefreshParameters(); });
    OnCommand(kIdProgram, [this] { ProgramDeviceNumber(); });
    OnCommand(kIdPrint, [this] { PrintParameters(); });
}

bool CParametrieren::OnInitDialog() {
    RefreshParameters();
    return true;
}

void CParametrieren::DoDataExchange(ui::DataExchange& dx) {
    dx.Check(kIdComposting, compostingFlag);
    dx.Text(kIdDeviceNumber, deviceNumber);
    dx.MaxChars(kIdDeviceNumber, deviceNumber, 4);
    if (!dx.Saving()) dx.Text(kIdReport, parameterText);
}

// Messages of the factory dialog are German only; before the dialog shows they belong to the
// window that opens it.
void CParametrieren::Message(const char* text) {
    ui::MessageBox(Owner(), QString::fromUtf8(text));
}

QWidget* CParametrieren::Owner() {
    return isVisible() ? this : host_.HostWindow();
}

void CParametrieren::RefreshParameters() {
    CUebertragung progress(Owner());
    progress.Create(Owner());
    host_.EnsurePortOpen();
    progress.SetRange(0, 10);
    progress.SetPos(1);
    parameterText.clear();
    // The report is dated when its first value came (position 2 follows that read).
    QDateTime dated = QDateTime::currentDateTime();
    const Outcome read = ReadParameterReport(session_, [&](int position) {
        if (position == 2) dated = QDateTime::currentDateTime();
        progress.SetPos(position);
    });
    if (read != Outcome::Done) {
        Message("Fehler in der Datenkommunikation!");
    } else {
        // A missing reply leaves the value of an earlier reply in the text.
        const CModulDaten& m = session_.module();
        parameterText = ReportText(dated, m);
        deviceNumber = DeviceCode(m.manufacturer);
        compostingFlag = m.displayType;
        progress.SetPos(8);
    }
    progress.DestroyWindow();
    UpdateData(false);
}

// Up to four characters; the positions behind a shorter code are sent as 0.
void CParametrieren::ProgramDeviceNumber() {
    host_.EnsurePortOpen();
    if (!UpdateData(true)) return;
    WriteDeviceCode(session_, deviceNumber.toLatin1().toStdString(), compostingFlag);
}

void CParametrieren::PrintParameters() {
    QPrinter printer(QPrinter::HighResolution);  // the printer's own pixels
    if (!ui::PrintDialog(this, printer)) return;
    PrintReport(printer, parameterText);
}

// The value window shows the reading that came in reply to the previous tick's request, so
// the number on screen lags one tick behind the module. Only a reading shown there is written:
// confirming before any reading came writes nothing.
void CParametrieren::AdjustInput(const Adjustment& adjustment) {
    shownReading_.reset();
    valueWindow.adjustValue = 0;
    valueWindow.Create(this);
    host_.EnsurePortOpen();
    BeginAdjustment(session_, adjustment.point);
    SetTimer(adjustment.timer, 2000);
    Message("Warten bis Messwert stabil ist");
    valueWindow.DestroyWindow();
    KillTimer(adjustment.timer);
    if (!shownReading_) return Message("Es wurde kein Messwert empfangen.");
    session_.PumpDelay(2);
    WriteAdjustment(session_, adjustment.point, *shownReading_);
}

void CParametrieren::OnTimer(int id) {
    for (const Adjustment& a : kAdjustments) {
        if (a.timer == id) return OnAdjustTimer(a);
    }
    ui::CDialog::OnTimer(id);
}

void CParametrieren::OnAdjustTimer(const Adjustment& adjustment) {
    RequestRawReading(session_, adjustment.point);
    const auto reading = RawReading(session_, adjustment.point);
    if (!reading) return;
    shownReading_ = *reading;
    valueWindow.adjustValue = *reading;
    valueWindow.UpdateData(false);
}

}  // namespace ql50

#include "factory/CParametrieren.h"

#include <QDateTime>
#include <QPrinter>

#include "conversation/CConversation.h"
#include "factory/ParameterReport.h"
#include "ui/CUebertragung.h"
#include "ui/DataExchange.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

struct CParametrieren::Adjustment {
    int button;
    Request live;
    std::int32_t CModulDaten::*reading;
    int timer;
    std::uint8_t target;
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

// The raw readings are 16-bit: a negative value marks a reading that has not come yet.
constexpr std::int32_t kNoReading = -1;

constexpr P::Adjustment kAdjustments[] = {
    {P::kIdTemp0, req::kReadRawTemperature, &CModulDaten::rawTemperature, 4, kParamTemp0Adjust},
    {P::kIdTemp100, req::kReadRawTemperature, &CModulDaten::rawTemperature, 4, kParamTemp100Adjust},
    {P::kIdInputOpen, req::kReadRawInput, &CModulDaten::rawInput, 3, kParamInputOpenAdjust},
    {P::kIdInputHigh, req::kReadRawInput, &CModulDaten::rawInput, 3, kParamInputHighAdjust},
    {P::kIdBattery, req::kReadRawBattery, &CModulDaten::rawBattery, 5, kParamBatteryAdjust},
};

QString Line(const char* format, unsigned value) {
    return QString::asprintf(format, value);
}

// The report after its first read (the temperature point at 0 °C): at each row the progress
// moves on, the request is asked, and the row's lines are appended from the module data.
struct ReportRow {
    int position;
    Request request;
    QString (*lines)(const CModulDaten& m);
};

constexpr ReportRow kReportRows[] = {
    {2, req::ReadAdjust(kParamTemp100Adjust),
     [](const CModulDaten& m) {
         return Line("TEMP100_I         %u\n\r", unsigned(m.tempAdjust100));
     }},
    {3, req::ReadAdjust(kParamInputOpenAdjust),
     [](const CModulDaten& m) {
         return Line("PARA00_I          %u\n\r", unsigned(m.inputAdjustOpen));
     }},
    {4, req::ReadAdjust(kParamInputHighAdjust),
     [](const CModulDaten& m) {
         return Line("PARA01_I          %u\n\r", unsigned(m.inputAdjust24M));
     }},
    {5, req::ReadAdjust(kParamBatteryAdjust),
     [](const CModulDaten& m) {
         return Line("PARA10_I          %u\n\r", unsigned(m.batteryAdjust));
     }},
    {6, req::kReadManufacturer,
     [](const CModulDaten& m) {
         return Line("MESS_TYP          %u\n\r", m.moduleType + 1u) +
                QStringLiteral("HERSTELLER        %1\n\r").arg(DeviceCode(m.manufacturer));
     }},
    {7, req::kReadDisplayType,
     [](const CModulDaten& m) { return Line("ANZEIGE Typ        %u\n\r", m.displayType); }},
};

}  // namespace

CParametrieren::CParametrieren(CConversation& conversation, ui::ProcedureHost& host)
    : ui::CDialog(kTemplate, host.HostWindow()),
      valueWindow(host.HostWindow()),
      conv_(conversation),
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
    conv_.Send(req::kEndOfWrites);
    parameterText.clear();
    if (conv_.WaitForReply() == 0) {
        Message("Fehler in der Datenkommunikation!");
    } else {
        ReadReport(progress);
        progress.SetPos(8);
    }
    progress.DestroyWindow();
    UpdateData(false);
}

// Every read is sent whatever became of the one before; a missing reply leaves the value of
// an earlier reply in the text.
void CParametrieren::ReadReport(CUebertragung& progress) {
    const CModulDaten& m = conv_.modul;
    conv_.Ask(req::ReadAdjust(kParamTemp0Adjust));
    const QDateTime now = QDateTime::currentDateTime();
    parameterText = QString::asprintf("%02u.%02u.%u  %02u:%02u\n\r\n\r", unsigned(now.date().day()),
                                      unsigned(now.date().month()), unsigned(now.date().year()),
                                      unsigned(now.time().hour()), unsigned(now.time().minute()));
    parameterText += Line("TEMP00_I          %u\n\r", unsigned(m.tempAdjust0));
    for (const ReportRow& row : kReportRows) {
        progress.SetPos(row.position);
        conv_.Ask(row.request);
        parameterText += row.lines(m);
    }
    deviceNumber = DeviceCode(m.manufacturer);
    compostingFlag = m.displayType;
}

// Up to four characters; the positions behind a shorter code are sent as 0.
void CParametrieren::ProgramDeviceNumber() {
    host_.EnsurePortOpen();
    if (!UpdateData(true)) return;
    DataBytes code{};
    const QByteArray digits = deviceNumber.toLatin1();
    for (qsizetype i = 0; i < std::min<qsizetype>(digits.size(), 4); ++i)
        code[std::size_t(i)] = static_cast<std::uint8_t>(digits[i]);
    conv_.Ask(req::kWriteManufacturer, code);
    conv_.Ask(req::kWriteDisplayType, {std::uint8_t(compostingFlag), 0, 0, 0});
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
    conv_.modul.*adjustment.reading = kNoReading;
    valueWindow.adjustValue = 0;
    valueWindow.Create(this);
    host_.EnsurePortOpen();
    conv_.Send(adjustment.live);
    SetTimer(adjustment.timer, 2000);
    Message("Warten bis Messwert stabil ist");
    valueWindow.DestroyWindow();
    KillTimer(adjustment.timer);
    if (!shownReading_) return Message("Es wurde kein Messwert empfangen.");
    conv_.PumpDelay(2);
    const std::uint16_t value = *shownReading_;
    conv_.Ask(req::WriteAdjust(adjustment.target),
              {std::uint8_t(value & 0xFF), std::uint8_t(value >> 8), 0, 0});
}

void CParametrieren::OnTimer(int id) {
    for (const Adjustment& a : kAdjustments) {
        if (a.timer == id) return OnAdjustTimer(a);
    }
    ui::CDialog::OnTimer(id);
}

void CParametrieren::OnAdjustTimer(const Adjustment& adjustment) {
    conv_.Send(adjustment.live);
    const std::int32_t reading = conv_.modul.*adjustment.reading;
    if (reading < 0) return;
    shownReading_ = static_cast<std::uint16_t>(reading);
    valueWindow.adjustValue = static_cast<unsigned>(reading);
    valueWindow.UpdateData(false);
}

}  // namespace ql50

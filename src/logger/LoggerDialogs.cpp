#include "logger/LoggerDialogs.h"

#include "ui/DataExchange.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr ui::ControlTemplate kIntervalControls[] = {
    {CIntervallEingabe::kIdTime, Ctl::TimePicker, "", 10, 10, 80, 14},
    {1, Ctl::DefButton, "OK", 100, 8, 50, 14},
    {2, Ctl::Button, "Abbrechen", 100, 26, 50, 14},
};
constexpr ui::DialogTemplate kInterval{142, "Aufzeichnungintervall", 160, 48, "MS Sans Serif",
                                       8,   kIntervalControls};

constexpr ui::ControlTemplate kQuestionControls[] = {
    {CAbfrage::kIdQuestion, Ctl::StaticCenter, "", 10, 10, 160, 16},
    {1, Ctl::DefButton, "OK", 30, 32, 50, 14},
    {2, Ctl::Button, "Abbrechen", 100, 32, 50, 14},
};
constexpr ui::DialogTemplate kQuestion{156, "INFO", 180, 54, "MS Sans Serif", 8, kQuestionControls};

constexpr ui::ControlTemplate kClockControls[] = {
    {CUhrzeitStellen::kIdDate, Ctl::DatePicker, "", 10, 10, 80, 14},
    {CUhrzeitStellen::kIdTime, Ctl::TimePicker, "", 10, 30, 80, 14},
    {1, Ctl::DefButton, "OK", 104, 10, 50, 14},
    {2, Ctl::Button, "Abbrechen", 104, 30, 50, 14},
};
constexpr ui::DialogTemplate kClock{157, "Setup", 164, 54, "MS Sans Serif", 8, kClockControls};

}  // namespace

CIntervallEingabe::CIntervallEingabe(QWidget* parent) : ui::CDialog(kInterval, parent) {}

void CIntervallEingabe::DoDataExchange(ui::DataExchange& dx) {
    dx.Time(kIdTime, interval);
}

CAbfrage::CAbfrage(QWidget* parent) : ui::CDialog(kQuestion, parent) {}

bool CAbfrage::OnInitDialog() {
    SetItemText(2, noText);
    SetItemText(1, yesText);
    SetItemText(kIdQuestion, question);
    return ui::CDialog::OnInitDialog();
}

CUhrzeitStellen::CUhrzeitStellen(QWidget* parent) : ui::CDialog(kClock, parent) {}

bool CUhrzeitStellen::OnInitDialog() {
    SetItemText(2, cancelText);
    return ui::CDialog::OnInitDialog();
}

void CUhrzeitStellen::DoDataExchange(ui::DataExchange& dx) {
    dx.Date(kIdDate, date);
    dx.Time(kIdTime, time);
}

}  // namespace ql50

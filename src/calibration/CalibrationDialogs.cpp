#include "calibration/CalibrationDialogs.h"

#include <QPushButton>

#include "ui/DataExchange.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr ui::ControlTemplate kEntryControls[] = {
    {CKalWertEingabe::kIdPrompt, Ctl::Static, "Static", 25, 16, 133, 8},
    {CKalWertEingabe::kIdValue, Ctl::Edit, "", 74, 44, 40, 14},
    {CKalWertEingabe::kIdUnit, Ctl::Static, "Static", 116, 48, 28, 8},
    {ui::kIdOk, Ctl::DefButton, "OK", 69, 74, 50, 14},
};
constexpr ui::DialogTemplate kEntry{153, "QL50", 186, 95, "MS Shell Dlg", 8, kEntryControls};

constexpr ui::ControlTemplate kResultControls[] = {
    {1150, Ctl::Static, "Static", 23, 24, 85, 8},
    {1151, Ctl::Static, "Static", 23, 36, 85, 8},
    {1152, Ctl::Static, "Static", 23, 48, 85, 8},
    // The value column reaches to the window's right margin (62 units where 39 would clip):
    // "-59.2 mV/pH" and "199.9 nA/100%" must stay on their one line.
    {1166, Ctl::Static, "Static", 120, 24, 62, 8},
    {1167, Ctl::Static, "Static", 120, 36, 62, 8},
    {1168, Ctl::Static, "Static", 120, 48, 62, 8},
    {CKalWertAusgabe::kIdSave, Ctl::DefButton, "Speichern", 35, 74, 50, 14},
    {CKalWertAusgabe::kIdExit, Ctl::Button, "Abbrechen", 101, 74, 50, 14},
};
constexpr ui::DialogTemplate kResult{154, "QL50", 186, 95, "MS Shell Dlg", 8, kResultControls};

constexpr ui::ControlTemplate kChoiceControls[] = {
    {CKalAuswahl::kIdOxygen, Ctl::Button, "Sauerstoff", 7, 18, 66, 34},
    {CKalAuswahl::kIdSalinity, Ctl::Button, "Salinität", 73, 18, 66, 34},
    {CKalAuswahl::kIdAirPressure, Ctl::Button, "Luftdruck", 140, 18, 66, 34},
};
constexpr ui::DialogTemplate kChoice{155, "QL50", 213, 71, "MS Sans Serif", 8, kChoiceControls};

}  // namespace

CKalWertEingabe::CKalWertEingabe(QWidget* parent) : ui::CDialog(kEntry, parent) {}

void CKalWertEingabe::DoDataExchange(ui::DataExchange& dx) {
    dx.Number(kIdValue, value);
    dx.Text(kIdUnit, unitText);
    dx.Text(kIdPrompt, promptText);
}

CKalWertAusgabe::CKalWertAusgabe(QWidget* parent) : ui::CDialog(kResult, parent) {
    OnCommand(kIdSave, [this] { EndDialog(ui::kIdOk); });
}

bool CKalWertAusgabe::OnInitDialog() {
    const bool result = ui::CDialog::OnInitDialog();
    SetItemText(kIdSave, saveText);
    SetItemText(kIdExit, exitText);
    auto* save = ItemAs<QPushButton>(kIdSave);
    auto* exit = ItemAs<QPushButton>(kIdExit);
    save->setDefault(!outsideRange);
    exit->setDefault(outsideRange);
    if (!outsideRange) return result;
    // Enter presses the focused button: the focus goes to "Beenden" as well.
    exit->setFocus(Qt::OtherFocusReason);
    return false;
}

void CKalWertAusgabe::DoDataExchange(ui::DataExchange& dx) {
    QString* const texts[] = {&labelText1,  &labelText2,  &labelText3,
                              &resultText1, &resultText2, &resultText3};
    const int ids[] = {kIdLabel1,  kIdLabel1 + 1,  kIdLabel1 + 2,
                       kIdResult1, kIdResult1 + 1, kIdResult1 + 2};
    for (int i = 0; i < 6; ++i) dx.Text(ids[i], *texts[i]);
}

CKalAuswahl::CKalAuswahl(QWidget* parent) : ui::CDialog(kChoice, parent) {
    const std::pair<int, int> choices[] = {
        {kIdOxygen, kOxygen}, {kIdAirPressure, kAirPressure}, {kIdSalinity, kSalinity}};
    for (const auto& [id, result] : choices) {
        OnCommand(id, [this, result] {
            closed = false;
            EndDialog(result);
        });
    }
}

bool CKalAuswahl::OnInitDialog() {
    closed = false;
    SetItemText(kIdAirPressure, airPressureText);
    SetItemText(kIdOxygen, oxygenText);
    SetItemText(kIdSalinity, salinityText);
    return ui::CDialog::OnInitDialog();
}

void CKalAuswahl::OnCancel() {
    closed = true;
    EndDialog(ui::kIdCancel);
}

}  // namespace ql50

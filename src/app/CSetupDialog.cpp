#include "app/CSetupDialog.h"

#include "ui/DataExchange.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr ui::ControlTemplate kControls[] = {
    {-1, Ctl::GroupBox, "Port", 7, 5, 90, 70},
    {1001, Ctl::Radio, "COM1", 16, 18, 60, 10, ui::kGroup},
    {1002, Ctl::Radio, "COM2", 16, 31, 60, 10},
    {1003, Ctl::Radio, "COM3", 16, 44, 60, 10},
    {1004, Ctl::Radio, "COM4", 16, 57, 60, 10},
    {1135, Ctl::GroupBox, "Sprache", 113, 5, 92, 70},
    {1005, Ctl::Radio, "Deutsch", 122, 18, 70, 10, ui::kGroup},
    {1006, Ctl::Radio, "English", 122, 31, 70, 10},
    {1, Ctl::DefButton, "OK", 40, 82, 60, 14},
    {2, Ctl::Button, "Abbrechen", 112, 82, 60, 14},
};
constexpr ui::DialogTemplate kTemplate{129, "Setup", 212, 102, "MS Sans Serif", 8, kControls};

}  // namespace

CSetupDialog::CSetupDialog(const QString& cancelText, const QString& languageText, QWidget* parent)
    : ui::CDialog(kTemplate, parent), cancelText_(cancelText), languageText_(languageText) {}

bool CSetupDialog::OnInitDialog() {
    SetItemText(2, cancelText_);
    SetItemText(1135, languageText_);
    return ui::CDialog::OnInitDialog();
}

void CSetupDialog::DoDataExchange(ui::DataExchange& dx) {
    dx.Radio(1001, portChoice);
    dx.Radio(1005, languageChoice);
}

}  // namespace ql50

#include "app/CSetupDialog.h"

#include <QFontMetrics>

#include "ui/DataExchange.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr int kDevice = CSetupDialog::kIdPortDevice1;
constexpr ui::ControlTemplate kControls[] = {
    {-1, Ctl::GroupBox, "Port", 7, 5, 150, 88},
    {1001, Ctl::Radio, "COM1", 14, 18, 36, 10, ui::kGroup},
    {kDevice + 0, Ctl::Static, "", 52, 19, 100, 8},
    {1002, Ctl::Radio, "COM2", 14, 31, 36, 10},
    {kDevice + 1, Ctl::Static, "", 52, 32, 100, 8},
    {1003, Ctl::Radio, "COM3", 14, 44, 36, 10},
    {kDevice + 2, Ctl::Static, "", 52, 45, 100, 8},
    {1004, Ctl::Radio, "COM4", 14, 57, 36, 10},
    {kDevice + 3, Ctl::Static, "", 52, 58, 100, 8},
    {CSetupDialog::kIdSuchen, Ctl::Button, "Suchen...", 14, 73, 60, 14},
    {1135, Ctl::GroupBox, "Sprache", 163, 5, 80, 46},
    {1005, Ctl::Radio, "Deutsch", 171, 18, 66, 10, ui::kGroup},
    {1006, Ctl::Radio, "English", 171, 31, 66, 10},
    {1, Ctl::DefButton, "OK", 117, 99, 60, 14},
    {2, Ctl::Button, "Abbrechen", 183, 99, 60, 14},
};
constexpr ui::DialogTemplate kTemplate{129, "Setup", 250, 120, "MS Sans Serif", 8, kControls};

}  // namespace

CSetupDialog::CSetupDialog(const QString& cancelText, const QString& languageText, QWidget* parent)
    : ui::CDialog(kTemplate, parent), cancelText_(cancelText), languageText_(languageText) {
    OnCommand(kIdSuchen, [this] { OnSuchen(); });
}

bool CSetupDialog::OnInitDialog() {
    SetItemText(2, cancelText_);
    SetItemText(1135, languageText_);
    if (!searchText.isEmpty()) SetItemText(kIdSuchen, searchText);
    EnableItem(kIdSuchen, bool(search));
    for (int i = 0; i < 4; ++i) ShowPortText(i);
    return ui::CDialog::OnInitDialog();
}

void CSetupDialog::DoDataExchange(ui::DataExchange& dx) {
    dx.Radio(1001, portChoice);
    dx.Radio(1005, languageChoice);
}

// A long device name (a by-id link) is shortened in its middle; the whole name is its tip.
void CSetupDialog::ShowPortText(int index) {
    QWidget* label = Item(kIdPortDevice1 + index);
    const QString& text = portTexts[std::size_t(index)];
    SetItemText(kIdPortDevice1 + index,
                QFontMetrics(label->font()).elidedText(text, Qt::ElideMiddle, label->width()));
    label->setToolTip(text);
}

// The search is for the COM number that is checked now.
void CSetupDialog::OnSuchen() {
    if (!UpdateData(true) || portChoice < 0 || portChoice > 3 || !search) return;
    if (const std::optional<QString> text = search(portChoice + 1)) {
        portTexts[std::size_t(portChoice)] = *text;
        ShowPortText(portChoice);
    }
}

}  // namespace ql50

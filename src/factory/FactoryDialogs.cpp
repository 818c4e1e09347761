#include "factory/FactoryDialogs.h"

#include "ui/DataExchange.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr ui::ControlTemplate kTypeControls[] = {
    {-1, Ctl::Static, "Bitte den zu parametrierenden Typ auswählen.", 10, 8, 130, 18},
    {CMessTypAuswahl::kIdTypeList, Ctl::Combo,
     "pH\nRedox\n200µS\n2000µS\n20mS\n100mS\nfrei\nSauerstoff", 10, 28, 80, 100},
    {ui::kIdOk, Ctl::DefButton, "OK", 10, 50, 55, 14},
    {ui::kIdCancel, Ctl::Button, "Abbrechen", 85, 50, 55, 14},
};
constexpr ui::DialogTemplate kTypeChoice{151, "Typ auswählen", 150, 72, "MS Sans Serif",
                                         8,   kTypeControls};

constexpr ui::ControlTemplate kValueControls[] = {
    {CMesswertAusgabe::kIdValue, Ctl::Edit, "", 2, 2, 42, 22, ui::kReadOnly},
};
constexpr ui::DialogTemplate kValueWindow{
    150, "", 46, 26, "Microsoft Sans Serif", 20, kValueControls, ui::kNoCaption | ui::kScreenPos,
    0,   0};

}  // namespace

CMessTypAuswahl::CMessTypAuswahl(QWidget* parent) : ui::CDialog(kTypeChoice, parent) {}

void CMessTypAuswahl::DoDataExchange(ui::DataExchange& dx) {
    dx.Index(kIdTypeList, typeChoice);
}

CMesswertAusgabe::CMesswertAusgabe(QWidget* parent) : ui::CDialog(kValueWindow, parent) {}

bool CMesswertAusgabe::OnInitDialog() {
    UpdateData(false);
    raise();
    activateWindow();
    return true;
}

void CMesswertAusgabe::DoDataExchange(ui::DataExchange& dx) {
    if (dx.Saving()) return;  // the window only shows the reading
    int shown = static_cast<int>(adjustValue);
    dx.Number(kIdValue, shown);
}

}  // namespace ql50

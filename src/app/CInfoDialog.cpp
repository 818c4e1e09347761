#include "app/CInfoDialog.h"

#include "app/CHauptDialog.h"

namespace ql50 {
namespace {

using ui::Ctl;

constexpr int kIdIcon = 1180;
constexpr ui::ControlTemplate kControls[] = {
    {kIdIcon, Ctl::Icon, "", 11, 10, 20, 20},
    {-1, Ctl::Static, "QL50 Version 1.03", 40, 10, 150, 8},
    {-1, Ctl::Static, "Bedienprogramm für das Messmodul", 40, 22, 150, 8},
    {1, Ctl::DefButton, "OK", 156, 40, 50, 14},
};
constexpr ui::DialogTemplate kTemplate{100, "Info über QL50", 214, 60, "MS Sans Serif",
                                       8,   kControls};

}  // namespace

CInfoDialog::CInfoDialog(QWidget* parent) : ui::CDialog(kTemplate, parent) {}

bool CInfoDialog::OnInitDialog() {
    SetItemIcon(kIdIcon, CHauptDialog::AppIcon());
    return ui::CDialog::OnInitDialog();
}

}  // namespace ql50

#include "ui/CUebertragung.h"

#include <QProgressBar>

namespace ql50 {
namespace {

using ui::Ctl;

constexpr ui::ControlTemplate kTransferControls[] = {
    {CUebertragung::kIdText, Ctl::StaticCenter, "Daten werden übertragen.", 10, 10, 160, 8},
    {CUebertragung::kIdProgress, Ctl::Progress, "", 10, 24, 160, 10},
};
constexpr ui::DialogTemplate kTransfer{136, "Datenübertragung", 180, 44, "MS Sans Serif",
                                       8,   kTransferControls};

}  // namespace

CUebertragung::CUebertragung(QWidget* parent) : ui::CDialog(kTransfer, parent) {}

bool CUebertragung::OnInitDialog() {
    SetItemText(kIdText, text);
    return ui::CDialog::OnInitDialog();
}

void CUebertragung::SetRange(int low, int high) {
    if (auto* bar = ItemAs<QProgressBar>(kIdProgress)) bar->setRange(low, std::max(low, high));
}

void CUebertragung::SetPos(int pos) {
    if (auto* bar = ItemAs<QProgressBar>(kIdProgress))
        bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
}

int CUebertragung::Pos() const {
    auto* bar = ItemAs<QProgressBar>(kIdProgress);
    return bar ? bar->value() : 0;
}

}  // namespace ql50

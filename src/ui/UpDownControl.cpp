#include "ui/UpDownControl.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ql50::ui {

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(low_ <= high_ ? 1 : -1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(low_ <= high_ ? -1 : 1); });
}

void UpDownControl::SetRange(int low, int high) {
    low_ = low;
    high_ = high;
    SetPos(pos_);
}

void UpDownControl::SetPos(int pos) {
    pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
}

void UpDownControl::Step(int delta) {
    const int before = pos_;
    SetPos(pos_ + delta);
    if (pos_ != before) emit Scrolled(pos_);
}

}  // namespace ql50::ui

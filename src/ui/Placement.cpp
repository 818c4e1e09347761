#include "ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ql50::ui {
namespace {

// Between the kept area and the window, room for the window's frame included.
constexpr int kGap = 8;

KeepInView* inForce = nullptr;

}  // namespace

KeepInView::KeepInView(std::function<QRect()> area) : area_(std::move(area)), outer_(inForce) {
    inForce = this;
}

KeepInView::~KeepInView() {
    inForce = outer_;
}

std::optional<QPoint> PlaceClearOf(QSize size, const QRect& keep, const QRect& screen) {
    int y = keep.bottom() + 1 + kGap;
    if (y + size.height() - 1 > screen.bottom()) y = keep.top() - kGap - size.height();
    if (y < screen.top()) return std::nullopt;
    const int centred = keep.center().x() - size.width() / 2;
    const int x = std::max(screen.left(), std::min(centred, screen.right() + 1 - size.width()));
    return QPoint(x, y);
}

void KeepInView::Place(QWidget* window) {
    if (inForce == nullptr || window == nullptr) return;
    const QRect keep = inForce->area_();
    if (keep.isEmpty()) return;
    const QScreen* screen = QGuiApplication::screenAt(keep.center());
    if (screen == nullptr) screen = window->screen();
    // A dialog has its size from its template; a message box gets its own when it shows.
    window->ensurePolished();
    const QSize size = window->testAttribute(Qt::WA_Resized)
                           ? window->size()
                           : window->sizeHint().expandedTo(window->minimumSize());
    if (const auto at = PlaceClearOf(size, keep, screen->availableGeometry())) window->move(*at);
}

}  // namespace ql50::ui

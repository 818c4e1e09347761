#pragma once
// Where modal windows open while the user must keep watching part of another window: the
// calibration's prompts ask the user to wait until the live values are stable, so they must not
// cover them. Without a KeepInView in force, windows open where Qt puts them (centred over their
// owner).
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;

namespace ql50::ui {

// While an object lives, every message box and modal dialog opens clear of the area that `area`
// returns (global coordinates, asked as each window opens): below it, or above it where the
// screen has no room below. Objects nest; the newest is in force.
class KeepInView {
public:
    explicit KeepInView(std::function<QRect()> area);
    ~KeepInView();
    KeepInView(const KeepInView&) = delete;
    KeepInView& operator=(const KeepInView&) = delete;

    // Moves `window`, which is about to open, clear of the area in force (nothing when none is).
    static void Place(QWidget* window);

private:
    std::function<QRect()> area_;
    KeepInView* outer_;
};

// The top-left corner for a window of `size` that leaves `keep` uncovered on `screen`: centred
// under `keep` (a small gap apart), else over it, and moved sideways into the screen; nullopt
// when it fits neither below nor above.
std::optional<QPoint> PlaceClearOf(QSize size, const QRect& keep, const QRect& screen);

}  // namespace ql50::ui

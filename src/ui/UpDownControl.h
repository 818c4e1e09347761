// Up-down arrows with a position in a range: a spinner without a text field of its own; the
// dialog shows the position where it wants (an edit beside it) when the position changes.
#pragma once

#include <QWidget>

class QToolButton;

namespace ql50::ui {

class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    void SetPos(int pos);  // clamped to the range; emits nothing
    int Pos() const { return pos_; }
    int Low() const { return low_; }
    int High() const { return high_; }

signals:
    // The user moved the position by one step; pos is the new position.
    void Scrolled(int pos);

private:
    void Step(int delta);

    QToolButton* up_;
    QToolButton* down_;
    int low_ = 0;
    int high_ = 100;
    int pos_ = 0;
};

}  // namespace ql50::ui

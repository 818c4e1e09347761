#pragma once
// The transfer progress window, shown without a modal loop while data goes to or comes from the
// module (logger read-out, calibration store, configuration, factory parametrisation).
#include <QString>

#include "ui/CDialog.h"

namespace ql50 {

class CUebertragung : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdProgress = 1085;
    static constexpr int kIdText = 1136;
    explicit CUebertragung(QWidget* parent = nullptr);
    QString text;  // copied into the text line when the window is created
    void SetRange(int low, int high);
    void SetPos(int pos);
    int Pos() const;

protected:
    bool OnInitDialog() override;
    void OnCancel() override {}  // the transfer ends it, not the user
};

}  // namespace ql50

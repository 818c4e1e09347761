#pragma once
// The small windows of the factory parametrisation: the choice of the measurement type the
// module is to get, and the value window that shows a raw reading in large digits while an
// input is adjusted.
#include "ui/CDialog.h"

namespace ql50 {

class CMessTypAuswahl : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdTypeList = 1109;
    explicit CMessTypAuswahl(QWidget* parent = nullptr);

    // The measurement-type index 0 to 7 (the list's index); "pH" until the user picks another.
    int typeChoice = 0;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
};

// A window without caption in the top-left corner of the screen, so the technician sees the
// reading beside the message that waits for it to settle.
class CMesswertAusgabe : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdValue = 1110;
    explicit CMesswertAusgabe(QWidget* parent = nullptr);

    unsigned adjustValue = 0;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
};

}  // namespace ql50

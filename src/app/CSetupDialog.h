#pragma once
// The Setup dialog: serial port COM1 to COM4 and the language of the program.
#include "ui/CDialog.h"

namespace ql50 {

class CSetupDialog : public ui::CDialog {
    Q_OBJECT
public:
    // The caption of the Cancel button and of the language label, in the current language.
    CSetupDialog(const QString& cancelText, const QString& languageText, QWidget* parent);

    int portChoice = 0;      // 0..3 for COM1..COM4; -1 when no port button is checked
    int languageChoice = 0;  // 0 German, 1 English

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    QString cancelText_;
    QString languageText_;
};

}  // namespace ql50

#pragma once
// The Setup dialog: serial port COM1 to COM4 and the language of the program. Beside each COM
// number it shows the device that COM number leads to; "Suchen..." looks for the module and
// assigns the device it answers on to the COM number that is checked.
#include <array>
#include <functional>
#include <optional>

#include "ui/CDialog.h"

namespace ql50 {

class CSetupDialog : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdSuchen = 1140;
    static constexpr int kIdPortDevice1 = 1141;  // 1141 .. 1144: beside COM1 .. COM4

    // The caption of the Cancel button and of the language label, in the current language.
    CSetupDialog(const QString& cancelText, const QString& languageText, QWidget* parent);

    int portChoice = 0;      // 0..3 for COM1..COM4; -1 when no port button is checked
    int languageChoice = 0;  // 0 German, 1 English
    // What COM1 to COM4 lead to ("/dev/ttyS0", "/dev/ttyUSB0, 9600 Baud").
    std::array<QString, 4> portTexts;
    // The search button: its caption, and what it runs for COM n. The search returns what COM n
    // leads to now when the user assigned a device to it.
    QString searchText;
    std::function<std::optional<QString>(int portNumber)> search;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    void OnSuchen();
    void ShowPortText(int index);

    QString cancelText_;
    QString languageText_;
};

}  // namespace ql50

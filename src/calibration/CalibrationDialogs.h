#pragma once
// The three small windows of the guided calibration. They only show what the procedure puts
// into their members and hand back one number or one choice; the procedure fills every text in
// the user's language before it shows a window.
#include <QString>

#include "ui/CDialog.h"

namespace ql50 {

// Entry of one number: the set point, the air pressure or the salinity (template 153).
// OK refuses a text that is not a number (a decimal comma included) and stays open; Esc and the
// close box end with Cancel and leave `value` as it was. One object serves a whole calibration
// run, so a value entered in one step is the starting value of the next.
class CKalWertEingabe : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdValue = 1016;
    static constexpr int kIdUnit = 1164;
    static constexpr int kIdPrompt = 1148;
    explicit CKalWertEingabe(QWidget* parent = nullptr);

    float value = 0;  // shown with up to 6 significant digits, read back as single precision
    QString unitText;
    QString promptText;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
};

// The computed values and the choice to store them (template 154). Button 1165 ends with
// ui::kIdOk; button 2, Esc and the close box with ui::kIdCancel. Button 1165 is the default
// button, unless the values lie outside the accepted range: then button 2 is, so that Enter does
// not store them.
class CKalWertAusgabe : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdSave = 1165;
    static constexpr int kIdExit = 2;
    static constexpr int kIdLabel1 = 1150;   // labels 1150, 1151, 1152
    static constexpr int kIdResult1 = 1166;  // values 1166, 1167, 1168
    explicit CKalWertAusgabe(QWidget* parent = nullptr);

    QString saveText;  // captions of buttons 1165 and 2
    QString exitText;
    QString labelText1, labelText2, labelText3;
    QString resultText1, resultText2, resultText3;
    bool outsideRange = false;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
};

// The kind of oxygen calibration (template 155): three large buttons and no OK or Cancel.
// DoModal returns kOxygen, kAirPressure or kSalinity for the buttons. Esc and the close box end
// it with ui::kIdCancel, which is the same number as kAirPressure; `closed` tells the two apart:
// it is true after a run that the user ended without choosing, false after a choice.
class CKalAuswahl : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdAirPressure = 1171;
    static constexpr int kIdOxygen = 1172;
    static constexpr int kIdSalinity = 1173;
    static constexpr int kOxygen = 1;
    static constexpr int kAirPressure = 2;
    static constexpr int kSalinity = 3;
    explicit CKalAuswahl(QWidget* parent = nullptr);

    QString airPressureText;  // captions of buttons 1171, 1172, 1173
    QString oxygenText;
    QString salinityText;
    bool closed = false;

protected:
    bool OnInitDialog() override;
    void OnCancel() override;
};

}  // namespace ql50

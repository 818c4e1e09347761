// A dialog with every kind of control, its members bound the way the program's dialogs bind
// theirs. The tests of the dialog layer drive it.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>

#include "ui/CDialog.h"
#include "ui/DataExchange.h"
#include "ui/MessageBox.h"

namespace ql50::ui::sample {

inline constexpr int kPrompt = 1001, kCount = 1002, kUnit = 1003, kFactor = 1004, kAddress = 1005,
                     kInterval = 1006, kLanguageBox = 1010, kGerman = 1011, kEnglish = 1012,
                     kSideA = 1013, kSideB = 1014, kRelease = 1020, kType = 1021, kEntries = 1022,
                     kSpinner = 1031, kTime = 1032, kDate = 1033, kHello = 1040;

inline constexpr int kSampleTemplateId = 900;
inline constexpr char kHelloText[] = "Hallo aus dem Dialog";

inline constexpr std::array kSampleControls{
    ControlTemplate{kPrompt, Ctl::Static, "Anzahl:", 8, 8, 40, 8},
    ControlTemplate{kCount, Ctl::Edit, "", 50, 6, 40, 14},
    ControlTemplate{kSpinner, Ctl::UpDown, "", 90, 6, 10, 14},
    ControlTemplate{kUnit, Ctl::StaticRight, "mg/l", 102, 8, 24, 8},
    ControlTemplate{-1, Ctl::Static, "Faktor:", 8, 26, 40, 8},
    ControlTemplate{kFactor, Ctl::Edit, "", 50, 24, 40, 14},
    ControlTemplate{-1, Ctl::Static, "Adresse:", 8, 44, 40, 8},
    ControlTemplate{kAddress, Ctl::Edit, "", 50, 42, 40, 14},
    ControlTemplate{kInterval, Ctl::Edit, "", 50, 60, 40, 14},
    ControlTemplate{kLanguageBox, Ctl::GroupBox, "Sprache", 130, 4, 102, 40},
    ControlTemplate{kGerman, Ctl::Radio, "Deutsch", 136, 16, 60, 10, kGroup},
    ControlTemplate{kEnglish, Ctl::Radio, "English", 136, 28, 60, 10},
    ControlTemplate{kSideA, Ctl::Radio, "Seite A", 130, 48, 45, 10, kGroup},
    ControlTemplate{kSideB, Ctl::Radio, "Seite B", 180, 48, 45, 10},
    ControlTemplate{kRelease, Ctl::Check, "Freigeben", 8, 78, 80, 10},
    ControlTemplate{kType, Ctl::Combo, "pH\nRedox\nSauerstoff", 8, 92, 80, 40},
    ControlTemplate{kEntries, Ctl::ListBox, "eins\nzwei\ndrei", 130, 62, 60, 30},
    ControlTemplate{kTime, Ctl::TimePicker, "", 130, 96, 60, 14},
    ControlTemplate{kDate, Ctl::DatePicker, "", 130, 112, 70, 14},
    ControlTemplate{kHello, Ctl::Button, "Meldung", 8, 140, 50, 14},
    ControlTemplate{1, Ctl::DefButton, "OK", 120, 140, 50, 14},
    ControlTemplate{2, Ctl::Button, "Abbrechen", 182, 140, 50, 14},
};

inline constexpr DialogTemplate kSampleTemplate{
    kSampleTemplateId, "Probe", 240, 160, "MS Shell Dlg", 8, kSampleControls};

class SampleDialog : public CDialog {
public:
    explicit SampleDialog(QWidget* parent = nullptr) : CDialog(kSampleTemplate, parent) {
        OnCommand(kHello, [this] { MessageBox(this, QString::fromUtf8(kHelloText)); });
    }

    int count = 0, language = 0, side = -1, release = 0, type = -1, entry = -1;
    float factor = 0;
    std::uint8_t address = 0;
    QString interval;
    QTime time{12, 0, 0};
    QDate date{2005, 12, 31};

protected:
    void DoDataExchange(DataExchange& dx) override {
        dx.Number(kCount, count);
        dx.Number(kFactor, factor);
        dx.Byte(kAddress, address);
        dx.Range(kAddress, address, 0, 31);
        dx.Text(kInterval, interval);
        dx.MaxChars(kInterval, interval, 3);
        dx.Radio(kGerman, language);
        dx.Radio(kSideA, side);
        dx.Check(kRelease, release);
        dx.Index(kType, type);
        dx.Index(kEntries, entry);
        dx.Time(kTime, time);
        dx.Date(kDate, date);
    }
};

}  // namespace ql50::ui::sample

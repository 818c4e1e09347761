#pragma once
// The module's configuration as the user edits it: calibration values 1 to 3 of the present
// type, fixed temperature and its switch, temperature offset, measuring range of a conductivity
// module, bus address (shown only), logger interval and release, language of the module's
// display, and the firmware version. The members keep their values from one use to the next.
#include <QString>
#include <array>
#include <cstdint>

#include "ui/CDialog.h"

namespace ql50 {

class CKonfiguration : public ui::CDialog {
    Q_OBJECT
public:
    enum Id : int {
        kIdCal2 = 1079,
        kIdCal3 = 1080,
        kIdCal1 = 1081,
        kIdAddress = 1083,
        kIdTypeList = 1109,
        kIdFixedTemp = 1110,
        kIdFixedTempCheck = 1113,
        kIdVersion = 1115,
        kIdTempOffset = 1163,
        kIdInterval = 1178,
        kIdRelease = 1182,
        kIdGerman = 1135,
        kIdEnglish = 1004,
    };

    explicit CKonfiguration(QWidget* parent = nullptr);

    QString calValueText2, calValueText3, calValueText1;
    QString fixedTempText;
    int fixedTempCheck = 0;
    int typeSelection = 0;
    QString tempOffsetText;
    QString versionText;
    std::uint8_t addressValue = 0;
    QString intervalText;
    int releaseCheck = 0;
    int deviceLanguageChoice = 0;
    // The language of the type list's names.
    int listLanguage = 0;

    // The captions in the user's language, set by the caller before the dialog opens.
    struct Captions {
        QString calibrationBox, generalBox, address, typeList, fixedTemp, temperature, tempOffset,
            interval, release, deviceLanguage, german, english, cancel;
        std::array<QString, 3> calLabels;  // labels of calibration values 1, 2, 3
    } captions;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;

private:
    void OnTypeSelChange();
    void SetCaptions();
    bool NumbersValid();
};

}  // namespace ql50

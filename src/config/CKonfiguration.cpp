#include "config/CKonfiguration.h"

#include <QComboBox>
#include <algorithm>

#include "tables/MessTypen.h"
#include "ui/DataExchange.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

using ui::Ctl;
using K = CKonfiguration;

constexpr int kIdCalibrationBox = 1149;
constexpr int kIdCalLabel1 = 1150;  // labels of values 1, 2, 3: 1150 to 1152
constexpr int kIdGeneralBox = 1155;
constexpr int kIdAddressLabel = 1156;
constexpr int kIdTypeLabel = 1157;
constexpr int kIdTemperatureLabel = 1128;
constexpr int kIdIntervalLabel = 1180;
constexpr int kIdLanguageLabel = 1186;
constexpr int kIdTempOffsetLabel = 1187;

// Conductivity ranges are types 2 to 5; only they may change their range.
constexpr int kFirstRange = kTypIndexFirstConductivity;
constexpr int kLastRange = kTypIndexLastConductivity;

constexpr ui::ControlTemplate kControls[] = {
    {kIdCalibrationBox, Ctl::GroupBox, "Kalibrierwerte", 14, 10, 101, 119},
    {K::kIdCal1, Ctl::Edit, "", 20, 22, 32, 14},
    {kIdCalLabel1, Ctl::Static, "KAL0", 56, 28, 55, 8},
    {K::kIdCal2, Ctl::Edit, "", 20, 43, 32, 14},
    {kIdCalLabel1 + 1, Ctl::Static, "KAL1", 56, 49, 55, 8},
    {K::kIdCal3, Ctl::Edit, "", 20, 64, 32, 14},
    {kIdCalLabel1 + 2, Ctl::Static, "KAL2", 56, 70, 55, 8},
    {K::kIdFixedTempCheck, Ctl::Check, "Festtemperatur", 20, 87, 85, 10},
    {kIdTemperatureLabel, Ctl::Static, "Temperatur", 20, 97, 46, 9},
    {K::kIdFixedTemp, Ctl::Edit, "", 20, 108, 32, 14},
    {kIdTempOffsetLabel, Ctl::Static, "Temp.-offset", 66, 97, 47, 9},
    {K::kIdTempOffset, Ctl::Edit, "", 66, 108, 32, 14},
    {kIdGeneralBox, Ctl::GroupBox, "allgm.", 125, 10, 125, 119},
    {K::kIdAddress, Ctl::Edit, "", 130, 22, 32, 14, ui::kDisabled},
    {kIdAddressLabel, Ctl::Static, "Adresse", 165, 28, 46, 8},
    {kIdTypeLabel, Ctl::Static, "Messwert Typ", 130, 36, 90, 8},
    {K::kIdTypeList, Ctl::Combo, "pH\nRedox\n200µS\n2000µS\n20mS\n100mS\nfrei\nSauerstoff", 130, 45,
     90, 30},
    {kIdLanguageLabel, Ctl::Static, "Gerätesprache", 130, 64, 109, 8},
    {K::kIdGerman, Ctl::Radio, "Deutsch", 130, 74, 43, 10, ui::kGroup},
    {K::kIdEnglish, Ctl::Radio, "Englisch", 199, 74, 43, 10},
    {K::kIdRelease, Ctl::Check, "Datenlogger freigeben", 130, 87, 86, 10},
    {K::kIdInterval, Ctl::Edit, "", 130, 108, 40, 14},
    {kIdIntervalLabel, Ctl::Static, "Datenloggerintervall\nin Minuten", 173, 105, 73, 16},
    {K::kIdVersion, Ctl::Static, "Version", 14, 130, 246, 8},
    {ui::kIdOk, Ctl::DefButton, "OK", 79, 138, 51, 19},
    {ui::kIdCancel, Ctl::Button, "Abbrechen", 142, 138, 51, 19},
};
constexpr ui::DialogTemplate kTemplate{135, "QL50", 266, 161, "MS Sans Serif", 8, kControls};

}  // namespace

CKonfiguration::CKonfiguration(QWidget* parent) : ui::CDialog(kTemplate, parent) {
    OnSelChange(kIdTypeList, [this] { OnTypeSelChange(); });
}

bool CKonfiguration::OnInitDialog() {
    UpdateData(false);
    SetCaptions();
    // Only the values the type has can be edited.
    const std::array<int, 3> calEdits{kIdCal1, kIdCal2, kIdCal3};
    for (std::size_t i = 0; i < calEdits.size(); ++i)
        EnableItem(calEdits[i], !captions.calLabels[i].isEmpty());
    EnableItem(kIdTypeList, typeSelection >= kFirstRange && typeSelection <= kLastRange);
    if (auto* list = ItemAs<QComboBox>(kIdTypeList)) {
        list->clear();
        for (const MessTypInfo& type : kMessTypen)
            list->addItem(Qs(type.name[listLanguage == 1 ? 1 : 0].data()));
    }
    UpdateData(false);
    return true;
}

void CKonfiguration::SetCaptions() {
    const Captions& c = captions;
    SetItemText(kIdCalibrationBox, c.calibrationBox);
    for (int i = 0; i < 3; ++i) SetItemText(kIdCalLabel1 + i, c.calLabels[std::size_t(i)]);
    SetItemText(kIdGeneralBox, c.generalBox);
    SetItemText(kIdAddressLabel, c.address);
    SetItemText(kIdTypeLabel, c.typeList);
    SetItemText(kIdFixedTempCheck, c.fixedTemp);
    SetItemText(kIdTemperatureLabel, c.temperature);
    SetItemText(kIdTempOffsetLabel, c.tempOffset);
    SetItemText(kIdIntervalLabel, c.interval);
    SetItemText(kIdRelease, c.release);
    SetItemText(kIdLanguageLabel, c.deviceLanguage);
    SetItemText(kIdGerman, c.german);
    SetItemText(kIdEnglish, c.english);
    SetItemText(ui::kIdCancel, c.cancel);
}

// In the order of the rows: the first rule that fails stops the exchange.
void CKonfiguration::DoDataExchange(ui::DataExchange& dx) {
    dx.Text(kIdCal2, calValueText2);
    dx.Text(kIdCal3, calValueText3);
    dx.Text(kIdCal1, calValueText1);
    dx.Text(kIdFixedTemp, fixedTempText);
    dx.Check(kIdFixedTempCheck, fixedTempCheck);
    dx.Index(kIdTypeList, typeSelection);
    dx.Text(kIdTempOffset, tempOffsetText);
    dx.Text(kIdVersion, versionText);
    dx.Byte(kIdAddress, addressValue);
    dx.Range(kIdAddress, addressValue, 0, 31);
    dx.Text(kIdInterval, intervalText);
    dx.MaxChars(kIdInterval, intervalText, 3);
    dx.Check(kIdRelease, releaseCheck);
    dx.Radio(kIdGerman, deviceLanguageChoice);
}

// The measuring range can change only among the conductivity ranges: an entry below them
// selects the lowest range, an entry above them the highest.
void CKonfiguration::OnTypeSelChange() {
    UpdateData(true);
    const int clamped = std::clamp(typeSelection, kFirstRange, kLastRange);
    if (clamped == typeSelection) return;
    typeSelection = clamped;
    UpdateData(false);
}

void CKonfiguration::OnOK() {
    if (UpdateData(true) && NumbersValid()) EndDialog(ui::kIdOk);
}

// Every entry the write sends must reach the module as meant: the calibration values, the fixed
// temperature and the offset go as single-precision floats, the interval as an unsigned 16-bit
// count of minutes. A decimal comma or letters would be sent as 0, "1e39" as infinity and an
// interval of -5 as 65531 minutes.
bool CKonfiguration::NumbersValid() {
    ui::DataExchange dx(*this, true);
    for (const auto& [id, text] : {std::pair{int(kIdCal2), &calValueText2},
                                   {int(kIdCal3), &calValueText3},
                                   {int(kIdCal1), &calValueText1},
                                   {int(kIdFixedTemp), &fixedTempText},
                                   {int(kIdTempOffset), &tempOffsetText}}) {
        if (Item(id)->isEnabled() && !ui::ParseSingle(*text))
            dx.Fail(id, ui::DataExchange::NumberMessage());
    }
    // The register holds up to 65535 minutes; the field's three characters up to 999.
    const auto interval = ui::ParseInteger(intervalText);
    if (!interval)
        dx.Fail(kIdInterval, ui::DataExchange::IntegerMessage());
    else if (*interval < 0 || *interval > 999)
        dx.Fail(kIdInterval, ui::DataExchange::IntRangeMessage(0, 999));
    return !dx.Failed();
}

}  // namespace ql50

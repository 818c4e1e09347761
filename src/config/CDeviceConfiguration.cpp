#include "config/CDeviceConfiguration.h"

#include <charconv>
#include <cmath>

#include "formats/DisplayTexts.h"
#include "link/Format.h"
#include "operations/Session.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/CUebertragung.h"
#include "ui/MessageBox.h"
#include "ui/ProcedureHost.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

constexpr int kProgressRange = 12;

const MessTypInfo& TypeRecord(const CModulDaten& m) {
    return kMessTypen[std::min<std::size_t>(m.moduleType, kMessTypen.size() - 1)];
}

QString Fixed(float value, int decimals) {
    return QString::fromStdString(FormatFixed(value, decimals));
}

float FloatOf(const QString& text) {
    return static_cast<float>(LeadingNumber(text));
}

}  // namespace

double LeadingNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    const char* first = s.c_str();
    const char* last = first + s.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end == first) return 0;
    return value;
}

ConfigurationBlock BlockFromDialog(const CKonfiguration& d) {
    // The dialog refused every entry the module cannot hold, so the casts keep the values.
    ConfigurationBlock b;
    b.calValue1 = FloatOf(d.calValueText1);
    b.calValue2 = FloatOf(d.calValueText2);
    b.calValue3 = FloatOf(d.calValueText3);
    b.address = d.addressValue;
    b.fixedTemperature = FloatOf(d.fixedTempText);
    b.tempOffset = FloatOf(d.tempOffsetText);
    b.typeIndex = static_cast<std::uint8_t>(d.typeSelection);
    b.fixedTempOn = static_cast<std::uint8_t>(d.fixedTempCheck);
    b.loggerInterval =
        static_cast<std::uint16_t>(static_cast<std::int32_t>(LeadingNumber(d.intervalText)));
    b.loggerEnabled = static_cast<std::uint8_t>(d.releaseCheck);
    b.displayLanguage = static_cast<std::uint8_t>(d.deviceLanguageChoice);  // -1 goes as 255
    return b;
}

CDeviceConfiguration::CDeviceConfiguration(Session& session, ui::ProcedureHost& host)
    : session_(session), host_(host), dialog_(host.HostWindow()) {}

void CDeviceConfiguration::OpenProgress(CUebertragung& progress) {
    const int lang = host_.Language();
    progress.text = Qs(Tx(kTexte.datenuebertragungLaeuft, lang));
    progress.Create(host_.HostWindow());
    progress.SetCaption(Qs(Tx(kTexte.datenuebertragung, lang)));
    progress.SetRange(0, kProgressRange);
    progress.SetPos(1);
}

void CDeviceConfiguration::Configure() {
    host_.EnsurePortOpen();
    {
        CUebertragung progress(host_.HostWindow());
        OpenProgress(progress);
        const Outcome read =
            ReadConfiguration(session_, [&](int position) { progress.SetPos(position); });
        progress.DestroyWindow();
        // A write block must never send values that were not read from this module.
        if (read != Outcome::Done) return host_.CommunicationError();
    }
    FillDialog();
    PrepareDialog();
    if (dialog_.DoModal() != ui::kIdOk) return;
    CUebertragung progress(host_.HostWindow());
    OpenProgress(progress);
    const Outcome written = WriteConfiguration(session_, BlockFromDialog(dialog_),
                                               [&](int position) { progress.SetPos(position); });
    progress.DestroyWindow();
    if (written != Outcome::Done) {
        // The module holds a part of the configuration at most: the user must know.
        const std::string text = Tx(kMeldungen.konfigurationNichtGeschrieben, host_.Language());
        host_.ShowStatus(text);
        host_.Refresh();
        ui::MessageBox(host_.HostWindow(), Qs(text));
        return;
    }
    host_.Refresh();
}

// The dialog's fields from what the read block brought.
void CDeviceConfiguration::FillDialog() {
    const CModulDaten& m = session_.module();
    const MessTypInfo& type = TypeRecord(m);
    CKonfiguration& d = dialog_;
    d.typeSelection = m.moduleType;
    d.calValueText1 = Fixed(m.calValue1, type.calDecimals[0]);
    d.calValueText2 = Fixed(m.calValue2, type.calDecimals[1]);
    d.calValueText3 = Fixed(m.calValue3, type.calDecimals[2]);
    d.addressValue = m.moduleAddress;
    d.fixedTempCheck = m.fixedTempOn;
    d.fixedTempText = Fixed(m.fixedTemperature, 1);
    d.versionText = QString::fromStdString(VersionText(m.firmwareVersion));
    d.tempOffsetText = Fixed(m.tempOffset, 1);
    d.intervalText = QString::number(m.loggerInterval);
    d.releaseCheck = m.loggerEnabled;
    d.deviceLanguageChoice = m.deviceLanguage;
}

void CDeviceConfiguration::PrepareDialog() {
    const int lang = host_.Language();
    const MessTypInfo& type = TypeRecord(session_.module());
    dialog_.listLanguage = lang;
    CKonfiguration::Captions& c = dialog_.captions;
    c.calibrationBox = Qs(Tx(kTexte.kalibrierwerte, lang));
    for (std::size_t i = 0; i < 3; ++i)
        c.calLabels[i] = Qs(type.calLabel[i][std::size_t(lang)].data());
    c.generalBox = Qs(Tx(kTexte.allgemein, lang));
    c.address = Qs(Tx(kTexte.adresse, lang));
    c.typeList = Qs(Tx(kTexte.messwerttyp, lang));
    c.fixedTemp = Qs(Tx(kTexte.festtemperatur, lang));
    c.temperature = Qs(type.channelLabel[5][std::size_t(lang)].data());
    c.tempOffset = Qs(Tx(kTexte.temperaturOffset, lang));
    c.interval = Qs(Tx(kTexte.datenloggerintervall, lang));
    c.release = Qs(Tx(kTexte.datenloggerFreigeben, lang));
    c.deviceLanguage = Qs(Tx(kTexte.geraetesprache, lang));
    c.german = Qs(Tx(kTexte.deutsch, lang));
    c.english = Qs(Tx(kTexte.englisch, lang));
    c.cancel = Qs(Tx(kTexte.abbrechen, lang));
}

}  // namespace ql50

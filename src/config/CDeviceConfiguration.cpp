#include "config/CDeviceConfiguration.h"

#include <charconv>
#include <cmath>

#include "conversation/CConversation.h"
#include "conversation/QtText.h"
#include "link/Encoding.h"
#include "link/Format.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/CUebertragung.h"
#include "ui/ProcedureHost.h"

namespace ql50 {
namespace {

constexpr int kProgressRange = 12;

const MessTypInfo& TypeRecord(const CModulDaten& m) {
    return kMessTypen[std::min<std::size_t>(m.moduleType, kMessTypen.size() - 1)];
}

QString Fixed(float value, int decimals) {
    return QString::fromStdString(FormatFixed(value, decimals));
}

// One read of the block: the request, and how its reply fills the dialog.
struct ReadStep {
    Request request;
    void (*fill)(CKonfiguration& dlg, const CModulDaten& m);
};

template <int N>
void CalText(CKonfiguration& dlg, const CModulDaten& m) {
    const float values[] = {m.calValue1, m.calValue2, m.calValue3};
    QString* texts[] = {&dlg.calValueText1, &dlg.calValueText2, &dlg.calValueText3};
    *texts[N - 1] = Fixed(values[N - 1], TypeRecord(m).calDecimals[N - 1]);
}

// The firmware version reaches the dialog through the conversation's version text.
constexpr ReadStep kReadSteps[] = {
    {req::ReadCal(1), CalText<1>},
    {req::ReadCal(2), CalText<2>},
    {req::ReadCal(3), CalText<3>},
    {req::kReadAddress,
     [](CKonfiguration& d, const CModulDaten& m) { d.addressValue = m.moduleAddress; }},
    {req::kReadFixedTempOn,
     [](CKonfiguration& d, const CModulDaten& m) { d.fixedTempCheck = m.fixedTempOn; }},
    {req::kReadFixedTemperature,
     [](CKonfiguration& d, const CModulDaten& m) {
         d.fixedTempText = Fixed(m.fixedTemperature, 1);
     }},
    {req::kReadFirmware, nullptr},
    {req::kReadTempOffset,
     [](CKonfiguration& d, const CModulDaten& m) { d.tempOffsetText = Fixed(m.tempOffset, 1); }},
    {req::kReadLoggerInterval,
     [](CKonfiguration& d, const CModulDaten& m) {
         d.intervalText = QString::number(m.loggerInterval);
     }},
    {req::kReadLoggerRelease,
     [](CKonfiguration& d, const CModulDaten& m) { d.releaseCheck = m.loggerEnabled; }},
    {req::kReadDisplayLanguage,
     [](CKonfiguration& d, const CModulDaten& m) { d.deviceLanguageChoice = m.deviceLanguage; }},
};

DataBytes Float24Of(const QString& text) {
    return EncodeFloat24(static_cast<float>(LeadingNumber(text)));
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

CDeviceConfiguration::CDeviceConfiguration(CConversation& conversation, ui::ProcedureHost& host)
    : conv_(conversation), host_(host), dialog_(host.HostWindow()) {}

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
        if (!conv_.Ask(req::kConfigBegin)) {
            progress.DestroyWindow();
            return host_.CommunicationError();
        }
        const bool complete = ReadBlock(progress);
        conv_.Ask(req::kConfigEnd);
        progress.DestroyWindow();
        // A write block must never send values that were not read from this module.
        if (!complete) return host_.CommunicationError();
    }
    PrepareDialog();
    if (dialog_.DoModal() != ui::kIdOk) return;
    CUebertragung progress(host_.HostWindow());
    OpenProgress(progress);
    WriteBlock(progress);
    progress.DestroyWindow();
    host_.Refresh();
}

// The type, then the eleven reads in order; stops at the first that goes unanswered.
bool CDeviceConfiguration::ReadBlock(CUebertragung& progress) {
    if (!conv_.Ask(req::kReadType)) return false;
    dialog_.typeSelection = conv_.modul.moduleType;
    progress.SetPos(2);
    int position = 3;
    for (const ReadStep& step : kReadSteps) {
        if (!conv_.Ask(step.request)) return false;
        if (step.fill != nullptr) step.fill(dialog_, conv_.modul);
        progress.SetPos(position++);
    }
    dialog_.versionText = QString::fromStdString(conv_.texts.versionText);
    conv_.PumpDelay(1);
    return true;
}

void CDeviceConfiguration::PrepareDialog() {
    const int lang = host_.Language();
    const MessTypInfo& type = TypeRecord(conv_.modul);
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

// Every field goes back in one block; no reply is examined. The address is written to the old
// address, and every later command goes to the new one.
void CDeviceConfiguration::WriteBlock(CUebertragung& progress) {
    const CKonfiguration& d = dialog_;
    CommandBuffer buffer;
    conv_.Ask(req::kConfigBegin, buffer.Carried());
    const auto interval =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(LeadingNumber(d.intervalText)));
    const auto d0 = [&](int value) { return buffer.SetD0(static_cast<std::uint8_t>(value)); };
    int position = 2;
    const auto write = [&](const Request& r, const DataBytes& data) {
        conv_.Ask(r, data);
        progress.SetPos(position++);
    };
    write(req::WriteCal(1), buffer.Set(Float24Of(d.calValueText1)));
    write(req::WriteCal(2), buffer.Set(Float24Of(d.calValueText2)));
    write(req::WriteCal(3), buffer.Set(Float24Of(d.calValueText3)));
    write(req::kWriteAddress, d0(d.addressValue));
    conv_.deviceAddress = d.addressValue;
    write(req::kWriteFixedTemperature, buffer.Set(Float24Of(d.fixedTempText)));
    write(req::kWriteTempOffset, buffer.Set(Float24Of(d.tempOffsetText)));
    write(req::kWriteType, d0(d.typeSelection + 1));
    write(req::kWriteFixedTempOn, d0(d.fixedTempCheck));
    write(req::kWriteLoggerInterval,
          buffer.Set({std::uint8_t(interval), std::uint8_t(interval >> 8), 0, 0}));
    write(req::kWriteLoggerRelease, d0(d.releaseCheck));
    write(req::kWriteDisplayLanguage, d0(d.deviceLanguageChoice));
    for (const Request& r : {req::kEndOfWrites, req::kWriteAlarm, req::kConfigEnd})
        conv_.Ask(r, buffer.Carried());
}

}  // namespace ql50

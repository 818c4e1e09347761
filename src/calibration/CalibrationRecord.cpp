#include "calibration/CalibrationRecord.h"

#include <array>
#include <filesystem>

#include "formats/TextFile.h"
#include "link/Format.h"
#include "tables/Cp1252.h"
#include "tables/MessTypen.h"

namespace ql50 {
namespace {

using Words = std::array<const char*, 2>;  // German, English

const char* Say(const Words& w, int language) {
    return w[language == 1 ? 1 : 0];
}

Words BranchName(CalibrationBranch branch) {
    switch (branch) {
        case CalibrationBranch::Ph:
            return {"pH", "pH"};
        case CalibrationBranch::Redox:
            return {"Redox", "Redox"};
        case CalibrationBranch::Conductivity:
            return {"Zellkonstante", "cell constant"};
        case CalibrationBranch::OxygenSlope:
            return {"Sauerstoff-Steilheit", "oxygen slope"};
        case CalibrationBranch::Salinity:
            return {"Salinität", "salinity"};
        case CalibrationBranch::AirPressure:
            return {"Luftdruck", "air pressure"};
    }
    return {"", ""};
}

Words OutcomeText(CalibrationOutcome outcome) {
    switch (outcome) {
        case CalibrationOutcome::Stored:
            return {"gespeichert", "stored"};
        case CalibrationOutcome::StoredWarned:
            return {"gespeichert trotz Warnung (außerhalb des Bereichs)",
                    "stored despite warning (out of range)"};
        case CalibrationOutcome::NotStored:
            return {"abgebrochen, nichts gespeichert", "cancelled, nothing stored"};
        case CalibrationOutcome::Failed:
            return {"Kalibrierfehler, nichts gespeichert", "calibration error, nothing stored"};
        case CalibrationOutcome::NoAnswer:
            return {"keine Antwort vom Modul, nichts gespeichert",
                    "no answer from the module, nothing stored"};
        case CalibrationOutcome::NotConfirmed:
            return {"vom Modul nicht bestätigt, möglicherweise nicht gespeichert",
                    "not confirmed by the module, possibly not stored"};
    }
    return {"", ""};
}

// Tabs and line breaks would break the line into cells or lines.
std::string Cell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

std::string IsoLocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string s = stamp;
    if (s.size() >= 5) s.insert(s.size() - 2, ":");  // +0100 -> +01:00
    return s;
}

}  // namespace

std::string CalibrationRecordHeader(int language) {
    return language == 1 ? "time\tmodule type\taddress\tcalibration\tbefore\tafter\tresult\n"
                         : "Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\tErgebnis\n";
}

std::string CalibrationRecordLine(const CalibrationRecordEntry& e, int language) {
    const int lang = language == 1 ? 1 : 0;
    std::string type;
    if (e.moduleType && *e.moduleType >= 0 && *e.moduleType < int(kMessTypCount))
        type = Cp1252ToUtf8(kMessTypen[std::size_t(*e.moduleType)].name[std::size_t(lang)].data());
    const std::string branch = e.branch ? Say(BranchName(*e.branch), lang) : "";
    return IsoLocalTime(e.time) + '\t' + Cell(type) + '\t' + std::to_string(e.address) + '\t' +
           branch + '\t' + Cell(e.before) + '\t' + Cell(e.after) + '\t' +
           Say(OutcomeText(e.outcome), lang) + '\n';
}

std::string CalibrationValues(const CModulDaten& m, int language) {
    if (m.moduleType >= kMessTypCount) return {};
    const std::size_t lang = language == 1 ? 1 : 0;
    const MessTypInfo& type = kMessTypen[m.moduleType];
    const std::array<float, 4> values{m.calValue1, m.calValue2, m.calValue3, m.calValue4};
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!text.empty()) text += "; ";
        text += part;
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string label = Cp1252ToUtf8(type.calLabel[i][lang].data());
        if (label.empty()) continue;
        std::string unit = Cp1252ToUtf8(type.calUnit[i].data());
        if (const auto pos = unit.find("%%"); pos != std::string::npos) unit.erase(pos, 1);
        add(label + ' ' + FormatFixed(values[i], type.calDecimals[i]) +
            (unit.empty() ? "" : ' ' + unit));
    }
    if (m.moduleType == kTypIndexSauerstoff)
        add(std::string(lang == 1 ? "air-pressure factor " : "Luftdruckfaktor ") +
            FormatFixed(m.airPressureFactor, 4));
    return text;
}

bool AppendCalibrationRecord(const std::string& path, const std::string& line, int language,
                             std::string* error) {
    TextFile file;
    bool ok = file.OpenAppend(path);
    std::error_code ec;
    if (ok && std::filesystem::file_size(path, ec) == 0 && !ec)
        ok = file.Write(CalibrationRecordHeader(language));
    if (ok) ok = file.Write(line);
    if (!ok && error) *error = file.ErrorText();
    return ok;
}

}  // namespace ql50

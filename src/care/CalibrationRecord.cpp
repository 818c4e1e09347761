#include "care/CalibrationRecord.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "care/RecordChain.h"
#include "formats/TextFile.h"
#include "link/Format.h"
#include "tables/Cp1252.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"

namespace ql50 {
namespace {

// The record's words: entries of kMeldungen, in the file as UTF-8.
template <class Key, std::size_t W>
using Words = std::pair<Key, TextPair<W> MeldungsTabelle::*>;

constexpr Words<CalibrationBranch, 30> kBranchNames[] = {
    {CalibrationBranch::Ph, &MeldungsTabelle::zweigPh},
    {CalibrationBranch::Redox, &MeldungsTabelle::zweigRedox},
    {CalibrationBranch::Conductivity, &MeldungsTabelle::zellkonstante},
    {CalibrationBranch::OxygenSlope, &MeldungsTabelle::zweigSauerstoff},
    {CalibrationBranch::Salinity, &MeldungsTabelle::zweigSalinitaet},
    {CalibrationBranch::AirPressure, &MeldungsTabelle::zweigLuftdruck},
};

constexpr Words<CalibrationOutcome, 70> kOutcomeTexts[] = {
    {CalibrationOutcome::Stored, &MeldungsTabelle::gespeichert},
    {CalibrationOutcome::StoredWarned, &MeldungsTabelle::gespeichertAusserhalb},
    {CalibrationOutcome::NotStored, &MeldungsTabelle::abgebrochenNichtsGespeichert},
    {CalibrationOutcome::Failed, &MeldungsTabelle::kalibrierfehlerNichtsGespeichert},
    {CalibrationOutcome::NoAnswer, &MeldungsTabelle::keineAntwortNichtsGespeichert},
    {CalibrationOutcome::NotConfirmed, &MeldungsTabelle::nichtBestaetigtGespeichert},
};

template <class Key, std::size_t W, std::size_t N>
std::string WordFor(const Words<Key, W> (&table)[N], Key key, int language) {
    for (const auto& [k, words] : table)
        if (k == key) return Cp1252ToUtf8(Tx(kMeldungen.*words, language));
    return "";
}

// The key whose text in either language is `text` (UTF-8; a character that Windows-1252 lacks
// matches nothing).
template <class Key, std::size_t W, std::size_t N>
std::optional<Key> KeyFor(const Words<Key, W> (&table)[N], std::string_view text) {
    const std::string cp1252 = Utf8ToCp1252(text);
    for (const auto& [k, words] : table)
        for (const auto& slot : kMeldungen.*words)
            if (cp1252 == slot.data() && Cp1252ToUtf8(cp1252) == text) return k;
    return {};
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

std::string TypeName(int type, int language) {
    if (type < 0 || type >= int(kMessTypCount)) return {};
    return Cp1252ToUtf8(kMessTypen[std::size_t(type)].name[language == 1 ? 1 : 0].data());
}

std::string Numbers(const CalibrationNumbers& values) {
    std::string text;
    for (float v : values)
        text += (text.empty() ? "" : " ") + QString::number(double(v), 'g', 7).toStdString();
    return text;
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + separator.size();
    }
}

std::optional<double> Number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

// The values an older line shows in its "after" cell: "Asymmetrie 0.0 mV; Steilheit -59.2
// mV/pH", labelled in either language.
void ValuesFromText(std::string_view after, int type, std::array<double, 5>& values) {
    if (type < 0 || type >= int(kMessTypCount)) return;
    const MessTypInfo& info = kMessTypen[std::size_t(type)];
    for (std::string_view part : Split(after, "; ")) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            for (int lang = 0; lang < 2; ++lang) {
                const std::string label = Cp1252ToUtf8(i == 4 ? Tx(kMeldungen.luftdruckfaktor, lang)
                                                              : info.calLabel[i][lang].data());
                if (label.empty() || part.rfind(label + ' ', 0) != 0) continue;
                const std::string_view rest = part.substr(label.size() + 1);
                if (const auto v = Number(rest.substr(0, rest.find(' ')))) values[i] = *v;
            }
        }
    }
}

}  // namespace

std::string CalibrationRecordHeader(int language) {
    return Cp1252ToUtf8(Tx(kMeldungen.protokollKopf, language)) + '\n';
}

std::string CalibrationRecordCells(const CalibrationRecordEntry& e, int language) {
    const int lang = language == 1 ? 1 : 0;
    const std::string branch = e.branch ? WordFor(kBranchNames, *e.branch, lang) : "";
    return IsoLocalTime(e.time) + '\t' + Cell(TypeName(e.moduleType.value_or(-1), lang)) + '\t' +
           std::to_string(e.address) + '\t' + branch + '\t' + Cell(e.before) + '\t' +
           Cell(e.after) + '\t' + WordFor(kOutcomeTexts, e.outcome, lang) + '\t' +
           Cell(e.moduleId) + '\t' + (e.temperature ? FormatFixed(*e.temperature, 1) : "") + '\t' +
           (e.stored ? Numbers(*e.stored) : "");
}

std::string CalibrationRecordLine(const CalibrationRecordEntry& entry, int language,
                                  const std::string& previousHash) {
    const std::string cells = CalibrationRecordCells(entry, language);
    return cells + '\t' + ChainHash(previousHash, cells) + '\n';
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
        add(Cp1252ToUtf8(Tx(kMeldungen.luftdruckfaktor, language)) + ' ' +
            FormatFixed(m.airPressureFactor, 4));
    return text;
}

std::string ModuleIdText(const std::array<char, 4>& deviceNumber) {
    std::string id;
    for (char c : deviceNumber) {
        if (c == '\0') break;
        id += (c > ' ' && c < 0x7f) ? c : ' ';
    }
    const auto first = id.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return id.substr(first, id.find_last_not_of(' ') - first + 1);
}

bool AppendCalibrationRecord(const std::string& path, const CalibrationRecordEntry& entry,
                             int language, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    // A pipe or a device would block the window or swallow the line.
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        if (error) *error = path + ": " + kNotRegularFile;
        return false;
    }
    const std::uintmax_t size = fs::exists(status) ? fs::file_size(path, ec) : 0;
    // The last line's hash is its last 64 bytes before the line feed.
    std::string tail;
    if (size > 0) {
        std::ifstream in(path, std::ios::binary);
        const std::uintmax_t keep = std::min<std::uintmax_t>(size, 66);
        in.seekg(std::streamoff(size - keep));
        tail.resize(std::size_t(keep));
        if (!in.read(tail.data(), std::streamsize(keep))) {
            if (error) *error = path + ": cannot be read";
            return false;
        }
    }
    std::string bytes;
    std::string previous;
    if (size == 0) {
        bytes = CalibrationRecordHeader(language);
    } else if (tail.back() != '\n') {
        bytes = "\n";  // a line cut short stays a line of its own
    } else if (const auto hashed =
                   SplitHashedLine(std::string_view(tail).substr(0, tail.size() - 1))) {
        previous = std::string(hashed->hash);
    }
    bytes += CalibrationRecordLine(entry, language, previous);
    TextFile file;
    const bool ok = file.OpenAppend(path) && file.Write(bytes);
    if (!ok && error) *error = file.ErrorText();
    return ok;
}

bool RecordedCalibration::Stored() const {
    return outcome == CalibrationOutcome::Stored || outcome == CalibrationOutcome::StoredWarned;
}

std::optional<RecordedCalibration> ParseCalibrationRecordLine(std::string_view line) {
    const std::vector<std::string_view> cells = Split(line, "\t");
    if (cells.size() < 7) return {};
    RecordedCalibration r;
    r.time = QDateTime::fromString(QString::fromUtf8(cells[0].data(), qsizetype(cells[0].size())),
                                   Qt::ISODate);
    if (!r.time.isValid()) return {};
    for (int type = 0; type < int(kMessTypCount); ++type)
        if (cells[1] == TypeName(type, 0) || cells[1] == TypeName(type, 1)) r.type = type;
    r.address = int(Number(cells[2]).value_or(-1));
    r.branch = KeyFor(kBranchNames, cells[3]);
    r.outcome = KeyFor(kOutcomeTexts, cells[6]);
    r.values.fill(NAN);
    if (cells.size() >= 10) {
        r.moduleId = std::string(cells[7]);
        r.temperature = Number(cells[8]);
        const std::vector<std::string_view> numbers = Split(cells[9], " ");
        for (std::size_t i = 0; i < numbers.size() && i < r.values.size(); ++i)
            r.values[i] = Number(numbers[i]).value_or(NAN);
    } else {
        ValuesFromText(cells[5], r.type, r.values);
    }
    return r;
}

}  // namespace ql50

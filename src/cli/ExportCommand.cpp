#include "cli/ExportCommand.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <vector>

#include "formats/CsvLines.h"
#include "formats/Recording.h"
#include "link/Format.h"
#include "store/Store.h"

namespace ql50::cli {
namespace {

bool Digits(const std::string& text, std::size_t at, std::size_t count, int& out) {
    if (at + count > text.size()) return false;
    out = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

bool Put(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

std::string Header(const store::Channel& c) {
    return c.unit.empty() ? c.label : c.label + " [" + c.unit + "]";
}

}  // namespace

std::optional<std::int64_t> ParseExportTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day))
        return std::nullopt;
    std::size_t at = 10;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        if (!Digits(text, at + 1, 2, hour) || text.size() < at + 6 || text[at + 3] != ':' ||
            !Digits(text, at + 4, 2, minute))
            return std::nullopt;
        at += 6;
        if (at < text.size() && text[at] == ':') {
            if (!Digits(text, at + 1, 2, second)) return std::nullopt;
            at += 3;
        }
    }
    std::optional<long> offsetSeconds;  // none: local time
    const std::string zone = text.substr(at);
    int zh = 0, zm = 0;
    if (zone == "Z") {
        offsetSeconds = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':' &&
               Digits(zone, 1, 2, zh) && Digits(zone, 4, 2, zm)) {
        offsetSeconds = (zone[0] == '-' ? -1 : 1) * (zh * 3600L + zm * 60L);
    } else if (!zone.empty()) {
        return std::nullopt;
    }
    return store::LocalTimeMs(year, month, day, hour, minute, second, offsetSeconds);
}

// One column per channel label and unit, in channel order; the live channels of the module's
// types and the fields of its logger records, which differ, get columns of their own.
bool WriteCsv(store::Store& store, const std::string& module, std::int64_t fromMs,
              std::int64_t toMs, std::FILE* out) {
    std::vector<std::string> columns;
    std::map<std::string, std::size_t> columnOf;
    for (const auto& layout : store.Layouts(module, fromMs, toMs))
        for (const store::Channel& c : layout)
            if (columnOf.emplace(Header(c), columns.size()).second) columns.push_back(Header(c));
    std::string header = "time,source";
    for (const std::string& c : columns) header += "," + CsvField(c);
    bool written = Put(out, header + "\r\n");
    const bool read = store.ForEach(module, fromMs, toMs, [&](const store::Reading& r) {
        std::vector<std::string> cells(columns.size());
        for (const store::Channel& c : r.channels)
            if (c.value) cells[columnOf[Header(c)]] = FormatFixed(*c.value, c.decimals);
        std::string line = store::IsoTime(r.timeMs) + "," + store::SourceName(r.source);
        for (const std::string& cell : cells) line += "," + cell;
        written = written && Put(out, line + "\r\n");
    });
    return read && written;
}

// The program's recording lines: the live channels in their cells (a logger record's fields in
// the cells of channels 1, 2 and the temperature), a reading without values as a gap line.
bool WriteRecording(store::Store& store, const std::string& module, std::int64_t fromMs,
                    std::int64_t toMs, std::FILE* out) {
    bool written = Put(out, RecordHeaderLine());
    const bool read = store.ForEach(module, fromMs, toMs, [&](const store::Reading& r) {
        const std::time_t seconds = std::time_t(r.timeMs / 1000);
        std::tm local{};
        localtime_r(&seconds, &local);
        CModulDaten m;
        m.moduleType = std::uint8_t(std::max(r.type, 0));
        float* cells[] = {&m.value1, &m.value2, &m.value3, &m.value4, &m.value5, &m.temperature};
        for (float* cell : cells) *cell = std::numeric_limits<float>::quiet_NaN();
        for (const store::Channel& c : r.channels)
            if (c.value && c.index >= 0 && c.index < 6) *cells[c.index] = float(*c.value);
        written =
            written && Put(out, r.HasValues() ? RecordDataLine(local, m) : RecordGapLine(local));
    });
    return read && written;
}

int RunExport(const CliOptions& o) {
    store::Store store;
    if (!store.Open(o.store, true)) {
        std::fprintf(stderr, "ql50-cli: %s\n", store.ErrorText().c_str());
        return kExitFailure;
    }
    const std::vector<std::string> modules = store.Modules();
    if (std::find(modules.begin(), modules.end(), o.module) == modules.end()) {
        std::string known;
        for (const std::string& m : modules) known += (known.empty() ? "" : ", ") + m;
        std::fprintf(stderr, "ql50-cli: the store %s has no module '%s' (it has: %s)\n",
                     o.store.c_str(), o.module.c_str(), known.empty() ? "none" : known.c_str());
        return kExitUsage;
    }
    std::FILE* out = o.output.empty() ? stdout : std::fopen(o.output.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "ql50-cli: %s: %s\n", o.output.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    const std::int64_t from = o.fromMs.value_or(std::numeric_limits<std::int64_t>::min());
    const std::int64_t to = o.toMs.value_or(std::numeric_limits<std::int64_t>::max());
    const bool done = o.recording ? WriteRecording(store, o.module, from, to, out)
                                  : WriteCsv(store, o.module, from, to, out);
    const bool writeFailed = std::ferror(out) != 0;
    int error = errno;
    const bool closed = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0;
    if (!closed && !writeFailed) error = errno;
    if (!done && !writeFailed) {
        std::fprintf(stderr, "ql50-cli: %s: %s\n", o.store.c_str(), store.ErrorText().c_str());
        return kExitFailure;
    }
    if (writeFailed || !closed) {
        std::fprintf(stderr, "ql50-cli: %s: %s\n",
                     o.output.empty() ? "standard output" : o.output.c_str(), std::strerror(error));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace ql50::cli

#pragma once
// Reading the calibration record back. A record may be anything a user or a broken disk left:
// gigabytes, lines without end, zero bytes, a pipe. Both readers keep a bounded number of
// lines of bounded length and never block on a file that is not a regular file.
// - ScanRecord goes through the whole file in pieces, checks the hash chain on the way and
//   keeps the last lines; it reports its progress and can be cancelled between pieces.
// - ReadRecordTail reads only the end of the file, for the due dates and the history.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "care/CalibrationRecord.h"
#include "care/RecordChain.h"

namespace ql50 {

// How many of the record's last lines are shown, charted and examined for due dates.
inline constexpr std::size_t kRecordLineLimit = 10000;
// Longer lines are kept cut to this many bytes (and can never fit the chain).
inline constexpr std::size_t kRecordLineBytes = 4096;

struct RecordLine {
    std::int64_t number = 0;  // counted from 1 with the header; 0 when read from the end
    std::string text;         // without its line feed, at most kRecordLineBytes
    bool cut = false;         // the line was longer
};

enum class RecordAccess { Read, Missing, NotAFile, Unreadable, Cancelled };

struct RecordRead {
    RecordAccess access = RecordAccess::Read;
    std::string error;                     // "<path>: <reason>" unless Read
    std::vector<RecordLine> lines;         // the last lines after the header, oldest first
    bool more = false;                     // earlier lines exist that are not in `lines`
    std::int64_t totalLines = 0;           // lines after the header (ScanRecord only)
    std::optional<ChainBreak> chainBreak;  // ScanRecord only
    std::int64_t hashedLines = 0;          // lines that fit the chain (ScanRecord only)
    std::int64_t uncheckedLines = 0;       // lines of older versions before the chain
};

// Told the bytes read so far and the file's size after each piece; returning false cancels.
using RecordProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

RecordRead ScanRecord(const std::string& path, std::size_t limit = kRecordLineLimit,
                      const RecordProgress& progress = {});
RecordRead ReadRecordTail(const std::string& path, std::size_t limit = kRecordLineLimit);

// The lines that are calibration runs, read back.
std::vector<RecordedCalibration> RecordedRuns(const RecordRead& read);

// "Zeit\t..." or "time\t...": the first line of a record.
bool IsRecordHeader(std::string_view line);

}  // namespace ql50

#pragma once
// The hash chain of the calibration record (see CalibrationRecord.h): each line carries the
// SHA-256 of the previous line's hash followed by its own cells, so that a line changed or
// taken out no longer fits the line after it.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ql50 {

// 64 lower-case hex digits: SHA-256 of `previousHash` followed by `cells`.
std::string ChainHash(std::string_view previousHash, std::string_view cells);

// A line "cells<TAB>hash" split at its last tab, when the part after it is 64 lower-case hex
// digits; nothing for a line without a hash.
struct HashedLine {
    std::string_view cells;
    std::string_view hash;
};
std::optional<HashedLine> SplitHashedLine(std::string_view line);

// The first line that does not fit, and why.
struct ChainBreak {
    std::int64_t line = 0;  // counted from 1, the header included
    enum Reason { kWrongHash, kNoHash, kTooLong } reason = kWrongHash;
};

// Why the line does not fit, for the user: "it or a line before it was changed or taken out".
QString ChainBreakText(ChainBreak::Reason reason, int language);

// Takes the record's lines after the header in order and finds the first that breaks the
// chain. Lines of older versions before the first hash pass unchecked.
class ChainCheck {
public:
    // `line` without its line feed; `cut`: the line was longer than the reader keeps.
    void Add(std::int64_t number, std::string_view line, bool cut);
    const std::optional<ChainBreak>& broken() const { return broken_; }
    std::int64_t hashedLines() const { return hashed_; }
    std::int64_t uncheckedLines() const { return unchecked_; }  // older lines before the chain

private:
    std::string previous_;
    bool started_ = false;
    std::int64_t hashed_ = 0, unchecked_ = 0;
    std::optional<ChainBreak> broken_;
};

}  // namespace ql50

#include "care/RecordChain.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>

namespace ql50 {
namespace {

constexpr std::ptrdiff_t kOldCells = 7;

}  // namespace

std::string ChainHash(std::string_view previousHash, std::string_view cells) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(previousHash.data(), qsizetype(previousHash.size())));
    hash.addData(QByteArrayView(cells.data(), qsizetype(cells.size())));
    return hash.result().toHex().toStdString();
}

std::optional<HashedLine> SplitHashedLine(std::string_view line) {
    constexpr std::size_t kHexDigits = 64;
    if (line.size() <= kHexDigits || line[line.size() - kHexDigits - 1] != '\t') return {};
    const std::string_view hash = line.substr(line.size() - kHexDigits);
    for (char c : hash)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return {};
    return HashedLine{line.substr(0, line.size() - kHexDigits - 1), hash};
}

void ChainCheck::Add(std::int64_t number, std::string_view line, bool cut) {
    if (broken_) return;
    const auto hashed = cut ? std::nullopt : SplitHashedLine(line);
    if (!hashed) {
        // Before the chain: the lines of older versions (seven cells), read as they are. A
        // line of this version without its hash has had it taken away.
        if (!started_ && !cut && std::count(line.begin(), line.end(), '\t') < kOldCells) {
            ++unchecked_;
            return;
        }
        broken_ = ChainBreak{number, cut ? ChainBreak::kTooLong : ChainBreak::kNoHash};
        return;
    }
    if (ChainHash(previous_, hashed->cells) != hashed->hash) {
        broken_ = ChainBreak{number, ChainBreak::kWrongHash};
        return;
    }
    started_ = true;
    ++hashed_;
    previous_ = std::string(hashed->hash);
}

QString ChainBreakText(ChainBreak::Reason reason, int language) {
    static const char* const kWhy[][2] = {{"sie oder eine Zeile davor wurde geändert oder entfernt",
                                           "it or a line before it was changed or taken out"},
                                          {"ihr fehlt der Hash", "it has no hash"},
                                          {"sie ist zu lang", "it is too long"}};
    return QString::fromUtf8(kWhy[reason][language == 1 ? 1 : 0]);
}

}  // namespace ql50

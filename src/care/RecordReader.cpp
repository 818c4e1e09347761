#include "care/RecordReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>

#include "formats/TextFile.h"

namespace ql50 {
namespace {

constexpr std::size_t kPieceBytes = std::size_t(1) << 20;
// The end of the file that ReadRecordTail looks at: far more than kRecordLineLimit lines of
// what this program writes.
constexpr std::int64_t kTailBytes = std::int64_t(8) << 20;

// Opens a regular file for reading; anything else is refused before it could block.
bool Open(const std::string& path, std::ifstream& in, std::int64_t& size, RecordRead& r) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        r.access = RecordAccess::Missing;
        r.error = path + ": " + (ec ? ec.message() : "No such file or directory");
        return false;
    }
    if (!fs::is_regular_file(status)) {
        r.access = RecordAccess::NotAFile;
        r.error = path + ": " + kNotRegularFile;
        return false;
    }
    size = std::int64_t(fs::file_size(path, ec));
    in.open(path, std::ios::binary);
    if (ec || !in) {
        r.access = RecordAccess::Unreadable;
        r.error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Collects lines from pieces of the file: each line up to kRecordLineBytes, the rest dropped.
class LineCollector {
public:
    LineCollector(std::size_t limit, RecordRead& r, ChainCheck* chain)
        : limit_(limit), r_(r), chain_(chain) {}

    void Feed(const char* data, std::size_t size) {
        while (size > 0) {
            const auto* lf = static_cast<const char*>(std::memchr(data, '\n', size));
            const std::size_t part = lf ? std::size_t(lf - data) : size;
            const std::size_t room = kRecordLineBytes - std::min(kRecordLineBytes, line_.size());
            line_.append(data, std::min(part, room));
            cut_ = cut_ || part > room;
            if (!lf) return;
            EndLine();
            data += part + 1;
            size -= part + 1;
        }
    }
    // A last line without its line feed.
    void Finish() {
        if (!line_.empty() || cut_) EndLine();
        r_.lines.assign(kept_.begin(), kept_.end());
    }
    // Reading from the end: what came before the first line feed is part of an earlier line.
    void DropFirst() { dropFirst_ = true; }

private:
    void EndLine() {
        ++number_;
        const bool header = number_ == 1 && IsRecordHeader(line_);
        if (dropFirst_) {
            dropFirst_ = false;
            r_.more = true;
        } else if (!header) {
            ++r_.totalLines;
            if (chain_) chain_->Add(number_, line_, cut_);
            kept_.push_back({chain_ ? number_ : 0, line_, cut_});
            if (kept_.size() > limit_) {
                kept_.pop_front();
                r_.more = true;
            }
        }
        line_.clear();
        cut_ = false;
    }

    std::size_t limit_;
    RecordRead& r_;
    ChainCheck* chain_;
    std::deque<RecordLine> kept_;
    std::string line_;
    bool cut_ = false;
    bool dropFirst_ = false;
    std::int64_t number_ = 0;
};

}  // namespace

bool IsRecordHeader(std::string_view line) {
    return line.rfind("Zeit\t", 0) == 0 || line.rfind("time\t", 0) == 0;
}

RecordRead ScanRecord(const std::string& path, std::size_t limit, const RecordProgress& progress) {
    RecordRead r;
    std::ifstream in;
    std::int64_t size = 0;
    if (!Open(path, in, size, r)) return r;
    ChainCheck chain;
    LineCollector lines(limit, r, &chain);
    std::vector<char> piece(kPieceBytes);
    std::int64_t done = 0;
    while (in) {
        in.read(piece.data(), std::streamsize(piece.size()));
        const auto got = std::size_t(in.gcount());
        lines.Feed(piece.data(), got);
        done += std::int64_t(got);
        if (progress && !progress(done, size)) {
            r.access = RecordAccess::Cancelled;
            return r;
        }
    }
    if (in.bad()) {
        r.access = RecordAccess::Unreadable;
        r.error = path + ": " + std::strerror(errno);
        return r;
    }
    lines.Finish();
    r.chainBreak = chain.broken();
    r.hashedLines = chain.hashedLines();
    r.uncheckedLines = chain.uncheckedLines();
    return r;
}

RecordRead ReadRecordTail(const std::string& path, std::size_t limit) {
    RecordRead r;
    std::ifstream in;
    std::int64_t size = 0;
    if (!Open(path, in, size, r)) return r;
    const std::int64_t start = std::max<std::int64_t>(0, size - kTailBytes);
    std::string bytes(std::size_t(size - start), '\0');
    in.seekg(start);
    if (!in.read(bytes.data(), std::streamsize(bytes.size()))) {
        r.access = RecordAccess::Unreadable;
        r.error = path + ": " + std::strerror(errno);
        return r;
    }
    LineCollector lines(limit, r, nullptr);
    if (start > 0) lines.DropFirst();
    lines.Feed(bytes.data(), bytes.size());
    lines.Finish();
    return r;
}

std::vector<RecordedCalibration> RecordedRuns(const RecordRead& read) {
    std::vector<RecordedCalibration> runs;
    for (const RecordLine& line : read.lines) {
        if (line.cut) continue;
        if (auto run = ParseCalibrationRecordLine(line.text)) {
            run->line = line.number;
            runs.push_back(std::move(*run));
        }
    }
    return runs;
}

}  // namespace ql50

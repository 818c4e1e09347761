// Reading the calibration record back: the hash chain finds a changed, taken out or inserted
// line, and records of any size or content are read within their limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "care/RecordReader.h"
#include "support/Files.h"

namespace ql50::test {
namespace {

using Lines = std::vector<std::string>;

std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + '\n';
    return text;
}

// A header, two lines of the first version, four lines with hashes (record lines 4 to 7).
Lines Record(const TempDir& dir) {
    const std::string path = dir.File("r.txt");
    Spit(path,
         "Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\tErgebnis\n"
         "2026-01-05T10:00:00+01:00\tpH\t0\tpH\t\tAsymmetrie 1.0 mV\tgespeichert\n"
         "2026-01-12T10:00:00+01:00\tpH\t0\tpH\t\t\tabgebrochen, nichts gespeichert\n");
    CalibrationRecordEntry e;
    e.moduleType = 0;
    e.branch = CalibrationBranch::Ph;
    e.outcome = CalibrationOutcome::Stored;
    for (int i = 0; i < 4; ++i) {
        e.time = 1768208400 + i * 7 * 86400;
        e.stored = CalibrationNumbers{float(i), -58.0f, 0, 0, 1};
        EXPECT_TRUE(AppendCalibrationRecord(path, e, 0, nullptr));
    }
    Lines lines;
    std::string text = Slurp(path);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string WithoutHash(const std::string& line) {
    return line.substr(0, line.rfind('\t'));
}

TEST(RecordChain, FindsTheFirstLineThatDoesNotFit) {
    const struct {
        const char* name;
        std::function<void(Lines&)> change;
        std::int64_t line;  // 0: the chain holds
        ChainBreak::Reason reason;
    } cases[] = {
        {"untouched", [](Lines&) {}, 0, {}},
        {"value edited", [](Lines& l) { l[4].replace(l[4].find("1 -58"), 1, "2"); }, 5,
         ChainBreak::kWrongHash},
        {"line taken out", [](Lines& l) { l.erase(l.begin() + 4); }, 5, ChainBreak::kWrongHash},
        {"first hashed line taken out", [](Lines& l) { l.erase(l.begin() + 3); }, 4,
         ChainBreak::kWrongHash},
        {"lines swapped", [](Lines& l) { std::swap(l[4], l[5]); }, 5, ChainBreak::kWrongHash},
        {"hash taken away", [](Lines& l) { l[5] = WithoutHash(l[5]); }, 6, ChainBreak::kNoHash},
        {"every hash taken away",
         [](Lines& l) {
             for (std::size_t i = 3; i < l.size(); ++i) l[i] = WithoutHash(l[i]);
         },
         4, ChainBreak::kNoHash},
        {"old line put in", [](Lines& l) { l.insert(l.begin() + 5, l[1]); }, 6,
         ChainBreak::kNoHash},
        {"line of zero bytes appended", [](Lines& l) { l.push_back(std::string(5000, '\0')); }, 8,
         ChainBreak::kTooLong},
    };
    TempDir dir;
    const Lines record = Record(dir);
    ASSERT_EQ(record.size(), 7u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Lines lines = record;
        c.change(lines);
        Spit(dir.File("t.txt"), Join(lines));
        const RecordRead read = ScanRecord(dir.File("t.txt"));
        ASSERT_EQ(read.access, RecordAccess::Read);
        if (c.line == 0) {
            EXPECT_FALSE(read.chainBreak);
            EXPECT_EQ(read.hashedLines, 4);
            EXPECT_EQ(read.uncheckedLines, 2);
            continue;
        }
        ASSERT_TRUE(read.chainBreak);
        EXPECT_EQ(read.chainBreak->line, c.line);
        EXPECT_EQ(read.chainBreak->reason, c.reason);
    }
}

// A record of any size or content: the last lines within the limit, the rest left out and said
// so; never a file that is not a regular file.
TEST(RecordReader, KeepsItsLimitOnAnyFile) {
    TempDir dir;
    const Lines record = Record(dir);
    const std::string huge = dir.File("huge.txt"), zeros = dir.File("zeros.txt");
    Spit(huge, Join(record));
    ASSERT_EQ(truncate(huge.c_str(), 2LL << 30), 0);  // 2 GB: the record, then zero bytes
    Spit(zeros, "");
    ASSERT_EQ(truncate(zeros.c_str(), 50LL << 20), 0);
    Spit(dir.File("short.txt"), Join(record));
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);

    const RecordRead few = ScanRecord(dir.File("short.txt"), 3);
    ASSERT_EQ(few.lines.size(), 3u);
    EXPECT_TRUE(few.more);
    EXPECT_EQ(few.totalLines, 6);
    EXPECT_EQ(few.lines[0].number, 5);
    EXPECT_EQ(few.lines[2].text, record[6]);
    const RecordRead tail = ReadRecordTail(dir.File("short.txt"), 10);
    EXPECT_EQ(tail.lines.size(), 6u);
    EXPECT_FALSE(tail.more);
    EXPECT_EQ(RecordedRuns(tail).size(), 6u);

    const RecordRead zero = ScanRecord(zeros);
    ASSERT_EQ(zero.lines.size(), 1u);
    EXPECT_TRUE(zero.lines[0].cut);
    EXPECT_EQ(zero.lines[0].text.size(), kRecordLineBytes);
    EXPECT_TRUE(RecordedRuns(ReadRecordTail(zeros)).empty());

    const RecordRead end = ReadRecordTail(huge);
    EXPECT_TRUE(end.lines.empty());
    EXPECT_TRUE(end.more);

    EXPECT_EQ(ScanRecord(dir.File("fifo")).access, RecordAccess::NotAFile);
    EXPECT_EQ(ReadRecordTail(dir.File("missing")).access, RecordAccess::Missing);
    int pieces = 0;
    EXPECT_EQ(ScanRecord(huge, kRecordLineLimit, [&](auto, auto) { return ++pieces < 3; }).access,
              RecordAccess::Cancelled);
}

}  // namespace
}  // namespace ql50::test

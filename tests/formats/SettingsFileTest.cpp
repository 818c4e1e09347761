#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "formats/SettingsFile.h"
#include "support/Files.h"

namespace ql50 {
namespace {

namespace fs = std::filesystem;

const Settings kChanged{2, 9600, 1, 30, 0, 1, 1};

class SettingsFileTest : public ::testing::Test {
protected:
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    test::TempDir temp_;
    fs::path dir_ = temp_.Path();
    std::string path_ = temp_.File("config.ini");
};

TEST_F(SettingsFileTest, MissingFileKeepsValuesAndCreatesAnEmptyFile) {
    Settings s = kChanged;
    EXPECT_EQ(ReadSettingsFile(path_, s), SettingsRead::CreatedEmpty);
    EXPECT_EQ(s, kChanged);
    ASSERT_TRUE(fs::is_regular_file(path_));
    EXPECT_EQ(fs::file_size(path_), 0u);
    EXPECT_EQ(ReadSettingsFile(path_, s), SettingsRead::Read);  // empty file: defaults
    EXPECT_EQ(s, Settings{});
}

TEST_F(SettingsFileTest, UnreadablePlacesKeepValues) {
    Settings s = kChanged;
    EXPECT_EQ(ReadSettingsFile((dir_ / "missing" / "config.ini").string(), s),
              SettingsRead::Unreadable);
    fs::create_directory(path_);
    EXPECT_EQ(ReadSettingsFile(path_, s), SettingsRead::Unreadable);
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_EQ(s, kChanged);
}

// The written file reads back; it replaces the old one instead of rewriting it, and no
// temporary file is left.
TEST_F(SettingsFileTest, WriteReplacesTheFileAndReadsBack) {
    test::Spit(path_, "PORT=3\n");
    const int old = ::open(path_.c_str(), O_RDONLY);
    ASSERT_GE(old, 0);
    ASSERT_TRUE(WriteSettingsFile(path_, kChanged, nullptr));
    char buffer[16] = {};
    EXPECT_EQ(::read(old, buffer, sizeof buffer), 7);  // a reader of the old file saw it whole
    ::close(old);
    EXPECT_STREQ(buffer, "PORT=3\n");
    EXPECT_EQ(test::Slurp(path_), FormatSettings(kChanged));
    Settings s;
    EXPECT_EQ(ReadSettingsFile(path_, s), SettingsRead::Read);
    EXPECT_EQ(s, kChanged);
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(SettingsFileTest, HugeFileIsStreamed) {
    test::Spit(path_, "PORT=4\nBAUD=1200\n" + std::string(3 * kMaxJoinedSettingsText, 'x') +
                          "\nSPRACHE=1");
    Settings s;
    EXPECT_EQ(ReadSettingsFile(path_, s), SettingsRead::Read);
    EXPECT_EQ(s, (Settings{4, 1200, 0, 1, 0, 0, 0}));
}

// A write that fails, before or after its temporary file exists, names the path and the reason
// and leaves no temporary file behind.
TEST_F(SettingsFileTest, WriteFailureNamesThePathAndLeavesNothing) {
    test::Spit(temp_.File("plain"), "x");
    fs::create_directories(path_ + "/occupied");  // a folder where the file should go
    const struct {
        std::string target;
        std::size_t fileSizeLimit;  // 0: none
        const char* reason;
    } cases[] = {
        {(dir_ / "plain" / "config.ini").string(), 0, "Not a directory"},
        {path_, 0, "Is a directory"},
        {temp_.File("full.ini"), 10, "File too large"},  // the disk fills up while it writes
    };
    for (const auto& c : cases) {
        std::string error;
        std::optional<test::FileSizeLimit> limit;
        if (c.fileSizeLimit > 0) limit.emplace(c.fileSizeLimit);
        EXPECT_FALSE(WriteSettingsFile(c.target, kChanged, &error)) << c.target;
        limit.reset();
        EXPECT_EQ(error, "cannot write " + c.target + ": " + c.reason);
    }
    EXPECT_EQ(Entries(), 2u);  // "plain" and the folder: no temporary file left
}

TEST_F(SettingsFileTest, WriteFailureInAReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    std::string error;
    EXPECT_FALSE(WriteSettingsFile(path_, kChanged, &error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Entries(), 0u);
}

}  // namespace
}  // namespace ql50

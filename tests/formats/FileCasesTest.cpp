// Files that are not what they seem, and a disk that fills up: the file layer under the
// recording, the export, the settings and ql50-cli.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "formats/SettingsFile.h"
#include "formats/TextFile.h"
#include "support/Files.h"

namespace ql50 {
namespace {

namespace fs = std::filesystem;
using test::Slurp;
using test::Spit;

const Settings kChanged{2, 9600, 1, 30, 0, 1, 1};

// A named pipe nobody reads: refused at once, never waited on.
TEST(Files, Pipe) {
    test::TempDir dir;
    const std::string pipe = dir.File("messung.txt");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    TextFile file;
    EXPECT_FALSE(file.Create(pipe));
    EXPECT_EQ(file.ErrorText(), pipe + ": Not a regular file");
    EXPECT_FALSE(file.OpenAppend(pipe));
    Settings settings;
    EXPECT_EQ(ReadSettingsFile(pipe, settings), SettingsRead::Unreadable);
    EXPECT_FALSE(WriteSettingsFile(pipe, kChanged, nullptr));
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// config.ini as a link, at first to a file that does not exist yet: the file it names is
// created, then replaced with its permissions kept, and the link stays a link.
TEST(Files, LinkedSettings) {
    test::TempDir dir;
    fs::create_directory(dir.File("shared"));
    const std::string link = dir.File("config.ini"), target = dir.File("shared/settings.ini");
    fs::create_symlink("shared/settings.ini", link);
    Settings settings;
    ASSERT_EQ(ReadSettingsFile(link, settings), SettingsRead::CreatedEmpty);
    ASSERT_TRUE(fs::is_regular_file(target));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteSettingsFile(link, kChanged, nullptr));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(target), FormatSettings(kChanged));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("shared")), {}), 1);
}

// The disk fills up in the middle of a line: the file keeps its whole lines, and a later line
// follows them directly.
TEST(Files, DiskFull) {
    test::TempDir dir;
    for (bool append : {false, true}) {
        const std::string path = dir.File(append ? "append.txt" : "create.txt");
        Spit(path, "alt\n");
        TextFile file;
        ASSERT_TRUE(append ? file.OpenAppend(path) : file.Create(path));
        const std::size_t before = Slurp(path).size();
        ASSERT_TRUE(file.Write("header\n"));
        {
            test::FileSizeLimit limit(before + 7 + 3);
            EXPECT_FALSE(file.Write("8,48\r\n"));
        }
        EXPECT_EQ(file.ErrorText(), path + ": File too large");
        ASSERT_TRUE(file.Write("9,01\r\n"));
        EXPECT_EQ(Slurp(path), (append ? "alt\n" : "") + std::string("header\n9,01\r\n"));
    }
}

// The temporary file of a settings write whose program was killed is removed at the next
// start; those of running programs and of other files stay.
TEST(Files, StaleTemporaryFiles) {
    test::TempDir dir;
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string stale = dir.File("config.ini.tmp-" + std::to_string(ended) + "-0");
    const std::string running = dir.File("config.ini.tmp-" + std::to_string(getppid()) + "-0");
    const std::string other = dir.File("other.ini.tmp-" + std::to_string(ended) + "-0");
    for (const std::string& path : {stale, running, other}) Spit(path, "x");
    Settings settings;
    ReadSettingsFile(dir.File("config.ini"), settings);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running) && fs::exists(other));
}

}  // namespace
}  // namespace ql50

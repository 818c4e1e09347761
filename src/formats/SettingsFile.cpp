#include "formats/SettingsFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "formats/TextFile.h"

namespace ql50 {

namespace {

// Joins text lines the way config.ini has always been read. A line ends at LF, which is dropped,
// or at CR, which takes the next byte along as the line's last character unless that byte is LF.
// So LF CR and CR LF files both join to their content without line ends (the CR of LF CR starts
// a line that ends at once and takes the next line's first character; the join has no separator,
// so nothing is lost). An empty line (LF LF, CR LF CR LF, LF CR LF CR) ends the reading: keys
// written by hand after a blank line are not seen.
//
// Bytes are fed in chunks, so a huge file is streamed, not loaded; the joined text stops growing
// at kMaxJoinedSettingsText. NUL bytes are ordinary characters.
class LineJoiner {
public:
    // False once the reading has stopped; further input is ignored.
    bool Feed(std::string_view chunk) {
        for (const char c : chunk) {
            if (done_) break;
            if (afterCr_) {
                afterCr_ = false;
                if (c != '\n') Append(c);
                EndLine();
            } else if (c == '\n') {
                EndLine();
            } else if (c == '\r') {
                afterCr_ = true;
            } else {
                Append(c);
            }
        }
        return !done_;
    }
    // At the end of the file the last line counts as it is; a CR there ends it without more.
    std::string Take() { return std::move(joined_); }

private:
    void Append(char c) {
        if (joined_.size() >= kMaxJoinedSettingsText) {
            done_ = true;
            return;
        }
        joined_.push_back(c);
        ++lineLength_;
    }
    void EndLine() {
        done_ = lineLength_ == 0;
        lineLength_ = 0;
    }

    std::string joined_;
    std::size_t lineLength_ = 0;
    bool afterCr_ = false;
    bool done_ = false;
};

constexpr auto kAbsent = std::string_view::npos;

// Where the value of the key's first occurrence starts, or kAbsent.
std::size_t ValueAt(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    return at == kAbsent ? kAbsent : at + key.size();
}

// A decimal number as atoi reads it (leading blanks, a sign, digits up to the first non-digit;
// no digit gives 0), from at most `count` characters; the text's end cuts them short.
int NumberAt(std::string_view text, std::size_t from, std::size_t count) {
    if (from >= text.size()) return 0;
    const std::string_view field = text.substr(from, count);
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    const bool negative = i < field.size() && field[i] == '-';
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) ++i;
    int value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
        value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

Settings ParseJoined(std::string_view text) {
    Settings s;
    if (const std::size_t at = ValueAt(text, "PORT="); at != kAbsent) {
        // The character's distance from '0', whatever the character; the text's end reads as
        // its terminating zero byte.
        const char c = at < text.size() ? text[at] : '\0';
        s.portIndex = static_cast<std::int8_t>(c - '0');
    }
    if (const std::size_t at = ValueAt(text, "BAUD="); at != kAbsent)
        s.baudRate = NumberAt(text, at, 4);
    if (const std::size_t at = ValueAt(text, "INTERVALL="); at != kAbsent) {
        s.hours = NumberAt(text, at, 2);  // "hh:mm:ss"
        s.minutes = NumberAt(text, at + 3, 2);
        s.seconds = NumberAt(text, at + 6, 2);
    }
    // Only German (0) and English (1) exist; any other digit would leave the texts' entries.
    if (const std::size_t at = ValueAt(text, "SPRACHE="); at != kAbsent)
        s.language = NumberAt(text, at, 1) == 1 ? 1 : 0;
    if (const std::size_t at = ValueAt(text, "PARAMETRIEREN="); at != kAbsent)
        s.factoryMode = NumberAt(text, at, 1);
    return s;
}

bool CreateEmpty(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return ::close(fd) == 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == kAbsent ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// config.ini may be a symbolic link (to a file kept elsewhere): the settings are read from and
// written to the file it names, through any chain of links, also one that names no file yet.
std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {  // a loop of links ends with the system's ELOOP
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || std::size_t(n) == sizeof target) break;  // not a link: the file itself
        std::string next(target, std::size_t(n));
        current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
    }
    return current;
}

// The temporary files of a write are named "<file>.tmp-<pid>-<attempt>"; one is left behind only
// when the program was killed between creating and renaming it.
std::string TempPrefix(const std::string& path) {
    return FileNamePart(path) + ".tmp-";
}

// A new file beside `path`, so that the rename stays within one file system.
int CreateTemp(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = FolderOf(path) + "/" + TempPrefix(path) + std::to_string(::getpid()) + "-" +
               std::to_string(attempt);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The process that wrote a temporary file of `path`, from its name; 0 for any other name.
pid_t TempOwner(const std::string& name, const std::string& prefix) {
    if (name.rfind(prefix, 0) != 0) return 0;
    long long pid = 0;
    std::size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < INT_MAX; ++i)
        pid = pid * 10 + (name[i] - '0');
    if (i == prefix.size() || i >= name.size() || name[i] != '-' || i + 1 == name.size()) return 0;
    for (++i; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return 0;
    return pid_t(pid);
}

void RemoveStaleTemps(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string prefix = TempPrefix(path);
    std::error_code error;
    for (fs::directory_iterator it(FolderOf(path), error), end; !error && it != end;
         it.increment(error)) {
        const pid_t pid = TempOwner(it->path().filename().string(), prefix);
        // A process that still runs may be writing it (or be another program of the same id).
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        if (it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced still holds a complete file.
void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool Fail(std::string* error, const std::string& path, const std::string& reason) {
    if (error) *error = "cannot write " + path + ": " + reason;
    return false;
}

bool Fail(std::string* error, const std::string& path, int code) {
    return Fail(error, path, std::strerror(code));
}

}  // namespace

std::string JoinSettingsLines(std::string_view fileBytes) {
    LineJoiner joiner;
    joiner.Feed(fileBytes);
    return joiner.Take();
}

Settings ParseSettings(std::string_view fileBytes) {
    return ParseJoined(JoinSettingsLines(fileBytes));
}

std::string FormatSettings(const Settings& s) {
    char buffer[256];  // the longest values take about 140 bytes
    const int length = std::snprintf(
        buffer, sizeof buffer,
        "[RS232]\n\rPORT=%d\n\rBAUD=%d\n\r[SETUP]\n\rINTERVALL=%02d:%02d:%02d\n\rSPRACHE=%d\n\r"
        "PARAMETRIEREN=%d\n\r",
        s.portIndex, s.baudRate, s.hours, s.minutes, s.seconds, s.language, s.factoryMode);
    return std::string(buffer, static_cast<std::size_t>(length));
}

SettingsRead ReadSettingsFile(const std::string& path, Settings& out, std::string* error) {
    const auto unreadable = [&](const char* reason) {
        if (error != nullptr) *error = reason;
        return SettingsRead::Unreadable;
    };
    const std::string file = ResolveLinks(path);
    RemoveStaleTemps(file);
    // Not waiting: a named pipe without a writer would hold the program's start for good.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // An existing file that cannot be read is not emptied: it may still hold good values.
        if (errno != ENOENT) return unreadable(std::strerror(errno));
        return CreateEmpty(file) ? SettingsRead::CreatedEmpty : unreadable(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        ::close(fd);
        return unreadable(kNotRegularFile);
    }
    LineJoiner joiner;
    char buffer[4096];
    int failure = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failure = errno;  // a folder named like the file fails here
        if (n <= 0 || !joiner.Feed({buffer, static_cast<std::size_t>(n)})) break;
    }
    ::close(fd);
    if (failure != 0) return unreadable(std::strerror(failure));
    out = ParseJoined(joiner.Take());
    return SettingsRead::Read;
}

bool WriteSettingsFile(const std::string& path, const Settings& settings, std::string* error) {
    // The new file replaces the file a link names, keeping its permissions; never a device or
    // pipe a link may name.
    const std::string file = ResolveLinks(path);
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return Fail(error, path, errno);
    if (exists && S_ISDIR(old.st_mode)) return Fail(error, path, EISDIR);
    if (exists && !S_ISREG(old.st_mode)) return Fail(error, path, kNotRegularFile);
    std::string temp;
    const int fd = CreateTemp(file, temp);
    if (fd < 0) return Fail(error, path, errno);
    bool ok = (!exists || ::fchmod(fd, old.st_mode & 07777) == 0) &&
              WriteAll(fd, FormatSettings(settings)) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, path, code);
    }
    SyncFolder(file);
    return true;
}

}  // namespace ql50

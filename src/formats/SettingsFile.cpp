#include "formats/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

constexpr auto npos = std::string_view::npos;

// Where the value of the key's first occurrence starts, or npos.
std::size_t ValueAt(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    return at == npos ? npos : at + key.size();
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
    if (const std::size_t at = ValueAt(text, "PORT="); at != npos) {
        // The character's distance from '0', whatever the character; the text's end reads as
        // its terminating zero byte.
        const char c = at < text.size() ? text[at] : '\0';
        s.portIndex = static_cast<std::int8_t>(c - '0');
    }
    if (const std::size_t at = ValueAt(text, "BAUD="); at != npos)
        s.baudRate = NumberAt(text, at, 4);
    if (const std::size_t at = ValueAt(text, "INTERVALL="); at != npos) {
        s.hours = NumberAt(text, at, 2);  // "hh:mm:ss"
        s.minutes = NumberAt(text, at + 3, 2);
        s.seconds = NumberAt(text, at + 6, 2);
    }
    // Only German (0) and English (1) exist; any other digit would leave the texts' entries.
    if (const std::size_t at = ValueAt(text, "SPRACHE="); at != npos)
        s.language = NumberAt(text, at, 1) == 1 ? 1 : 0;
    if (const std::size_t at = ValueAt(text, "PARAMETRIEREN="); at != npos)
        s.factoryMode = NumberAt(text, at, 1);
    return s;
}

bool CreateEmpty(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return ::close(fd) == 0;
}

// A new file beside `path`, so that the rename stays within one file system.
int CreateTemp(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
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
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool Fail(std::string* error, const std::string& path, int code) {
    if (error) *error = "cannot write " + path + ": " + std::strerror(code);
    return false;
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
    const auto unreadable = [&](int code) {
        if (error != nullptr) *error = std::strerror(code);
        return SettingsRead::Unreadable;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // An existing file that cannot be read is not emptied: it may still hold good values.
        if (errno != ENOENT) return unreadable(errno);
        return CreateEmpty(path) ? SettingsRead::CreatedEmpty : unreadable(errno);
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
    if (failure != 0) return unreadable(failure);
    out = ParseJoined(joiner.Take());
    return SettingsRead::Read;
}

bool WriteSettingsFile(const std::string& path, const Settings& settings, std::string* error) {
    std::string temp;
    const int fd = CreateTemp(path, temp);
    if (fd < 0) return Fail(error, path, errno);
    bool ok = WriteAll(fd, FormatSettings(settings)) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, path, code);
    }
    SyncFolder(path);
    return true;
}

}  // namespace ql50

#pragma once

// config.ini: the program's five settings of its own (serial port, baud rate, recording
// interval, user-interface language, factory mode), read once at start-up and written once at a
// normal exit. The file is 8-bit text with LF CR line ends:
//   [RS232] PORT=0 BAUD=4800 [SETUP] INTERVALL=00:01:00 SPRACHE=0 PARAMETRIEREN=0
// Reading joins the lines into one text and finds each key anywhere in it; the section lines
// play no part.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ql50 {

struct Settings {
    std::int8_t portIndex = 0;  // COM(portIndex + 1); not checked against 0..3 when read
    std::int32_t baudRate = 4800;
    int hours = 0, minutes = 1, seconds = 0;  // the recording interval
    std::uint8_t language = 0;                // 0 German, 1 English
    std::int32_t factoryMode = 0;             // non-zero offers the factory parametrisation
    bool operator==(const Settings&) const = default;
};

// A config.ini of any size is read only up to this much joined text; keys further on count as
// absent. The program's own file joins to 72 bytes, so the cap only bounds the memory a huge or
// binary file can claim.
inline constexpr std::size_t kMaxJoinedSettingsText = 1 << 20;

// The file's lines joined without separators, up to the first empty line (or the cap above).
std::string JoinSettingsLines(std::string_view fileBytes);

// The settings held by a file's bytes; what the file lacks keeps its default.
Settings ParseSettings(std::string_view fileBytes);

// The exact bytes of config.ini for these settings.
std::string FormatSettings(const Settings& settings);

enum class SettingsRead { Read, CreatedEmpty, Unreadable };

// Missing file: `out` keeps its values and an empty file is created (CreatedEmpty). A file that
// exists but cannot be read is left alone (Unreadable), and so is `out`; Unreadable too when the
// empty file cannot be created, and for a pipe or device of that name (never waited on).
// `error`, when given, receives the system's reason for Unreadable.
// A symbolic link is followed to the file it names. Temporary files that an earlier run of the
// program left beside that file when it was killed while writing it are removed first.
SettingsRead ReadSettingsFile(const std::string& path, Settings& out, std::string* error = nullptr);

// Replaces the file atomically: a crash or a full disk leaves either the old or the new file,
// never a half-written one. A symbolic link stays a link: the file it names is replaced, and the
// new file keeps the old one's permissions. On failure returns false and, if `error` is given, a
// reason naming the path and the system's message.
bool WriteSettingsFile(const std::string& path, const Settings& settings, std::string* error);

}  // namespace ql50

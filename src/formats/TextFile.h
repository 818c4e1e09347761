#pragma once
// A text file written byte for byte (no newline translation). Every Write goes straight to
// the operating system, so a crash of the program loses nothing already written. Failures
// keep the system's reason for the message to the user.
//
// Opening never waits: a named pipe without a reader would hold the window (or the tool) until
// one comes, and a full pipe would later hold every write. So only regular files and character
// devices are taken (/dev/null, /dev/full, a terminal); a pipe, socket or block device is
// refused with kNotRegularFile as the reason.
#include <string>
#include <string_view>

namespace ql50 {

// The reason given for a path that names something other than a file.
inline constexpr char kNotRegularFile[] = "Not a regular file";

class TextFile {
public:
    TextFile() = default;
    ~TextFile() { Close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Creates the file, emptying an existing one.
    bool Create(const std::string& path);
    // Opens an existing file (creating it if missing) without truncating, positioned at its end.
    bool OpenAppend(const std::string& path);
    // Writes all bytes (the callers write one whole line at a time). A write that fails part-way
    // (a full disk) is undone: the file is cut back to where it ended before, so it never ends
    // in a cut-off line.
    bool Write(std::string_view bytes);
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    // The path of the open file (empty while closed).
    const std::string& Path() const { return path_; }
    // The name part without folder.
    std::string FileName() const;
    // "<path>: <system reason>" of the last failure.
    const std::string& ErrorText() const { return error_; }

private:
    bool OpenWith(const std::string& path, int flags);
    int fd_ = -1;
    std::string path_;
    std::string error_;
};

// The name part of a path (after the last '/').
std::string FileNamePart(const std::string& path);

}  // namespace ql50

#pragma once
// A text file written byte for byte (no newline translation). Every Write goes straight to
// the operating system, so a crash of the program loses nothing already written. Failures
// keep the system's reason for the message to the user.
#include <string>
#include <string_view>

namespace ql50 {

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

#include "formats/TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ql50 {

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TextFile::OpenWith(const std::string& path, int flags) {
    Close();
    const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    fd_ = fd;
    path_ = path;
    error_.clear();
    return true;
}

bool TextFile::Create(const std::string& path) {
    return OpenWith(path, O_TRUNC);
}

bool TextFile::OpenAppend(const std::string& path) {
    return OpenWith(path, O_APPEND);
}

bool TextFile::Write(std::string_view bytes) {
    if (fd_ < 0) {
        error_ = (path_.empty() ? std::string("(no file)") : path_) + ": " + std::strerror(EBADF);
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = path_ + ": " + std::strerror(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void TextFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

std::string TextFile::FileName() const {
    return FileNamePart(path_);
}

}  // namespace ql50

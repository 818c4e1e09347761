#include "formats/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ql50 {

namespace {

bool Writable(mode_t mode) {
    return S_ISREG(mode) || S_ISCHR(mode);
}

// Why opening `path` failed with `code`: a pipe without a reader or a socket fails with ENXIO,
// which says nothing to a user.
std::string OpenFailure(const std::string& path, int code) {
    struct stat st {};
    if (code == ENXIO && ::stat(path.c_str(), &st) == 0 && !Writable(st.st_mode))
        return path + ": " + kNotRegularFile;
    return path + ": " + std::strerror(code);
}

}  // namespace

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TextFile::OpenWith(const std::string& path, int flags) {
    Close();
    const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        error_ = OpenFailure(path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !Writable(st.st_mode)) {
        ::close(fd);
        error_ = path + ": " + kNotRegularFile;
        return false;
    }
    // Writes to a device wait for it, as they always did; only the opening must not.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
    // The end of the file before this write (another program may append to it as well).
    struct stat before {};
    const bool regular = ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            if (regular && ::ftruncate(fd_, before.st_size) == 0)
                ::lseek(fd_, before.st_size, SEEK_SET);
            error_ = path_ + ": " + std::strerror(code);
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

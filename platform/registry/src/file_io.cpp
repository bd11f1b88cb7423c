#include "file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace registry {

void FileDescriptor::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileDescriptor openFile(const std::string& path, int flags, mode_t mode) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return FileDescriptor(fd);
}

bool readAll(int fd, std::string& out) {
    std::array<char, 65536> chunk;
    while (true) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

int makeDirectories(const std::string& path, mode_t mode) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        const int error = makeDirectories(path.substr(0, slash), mode);
        if (error != 0) return error;
    }
    if (::mkdir(path.c_str(), mode) == 0 || errno == EEXIST) return 0;
    return errno;
}

int syncDirectory(const std::string& path) {
    const FileDescriptor directory = openFile(path, O_RDONLY | O_DIRECTORY);
    if (!directory.valid()) return errno;
    return ::fsync(directory.get()) == 0 ? 0 : errno;
}

FileDescriptor lockFile(const std::string& path, int& error) {
    FileDescriptor fd = openFile(path, O_RDWR | O_CREAT, 0600);
    error = fd.valid() ? 0 : errno;
    while (fd.valid() && ::flock(fd.get(), LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error = errno;
        fd.reset();
    }
    return fd;
}

}  // namespace registry

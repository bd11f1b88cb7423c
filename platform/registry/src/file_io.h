// The file operations of the hive store: descriptors that close themselves, whole-file reads
// and writes that survive interrupted system calls, and directories made on demand.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

namespace registry {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();

private:
    int fd_;
};

// Opens with O_CLOEXEC added; an invalid descriptor and errno on failure.
FileDescriptor openFile(const std::string& path, int flags, mode_t mode = 0);

// The rest of the file; false with errno on failure.
bool readAll(int fd, std::string& out);
// All of `data`; false with errno on failure.
bool writeAll(int fd, std::string_view data);

// Makes `path` and its missing parents with `mode`; 0 or the errno of the failure.
int makeDirectories(const std::string& path, mode_t mode);

// Flushes the directory entries of `path` to the disk; 0 or an errno.
int syncDirectory(const std::string& path);

// Takes an exclusive flock on the file at `path` (created with mode 0600), sleeping until it is
// free. The lock goes with the descriptor.
FileDescriptor lockFile(const std::string& path, int& error);

}  // namespace registry

#include "environment_source.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace nicapi {
namespace {

// Closes the descriptor it owns.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string systemError(const std::string& path, const char* what) {
    return path + ": " + what + ": " + std::generic_category().message(errno);
}

std::optional<std::string> readAll(int fd) {
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) return text;
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace

std::string defaultEnvironmentPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&defaultEnvironmentPath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return kEnvironmentFileName;
    }
    return (std::filesystem::path(info.dli_fname).parent_path() / kEnvironmentFileName).string();
}

std::string environmentPath() {
    const char* path = std::getenv("NICAPI_ENVIRONMENT");
    return path != nullptr && *path != '\0' ? std::string(path) : defaultEnvironmentPath();
}

EnvironmentSource::Stamp EnvironmentSource::stampOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size,
            static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec};
}

void EnvironmentSource::report(const std::string& problem) {
    if (problem == lastProblem_) return;
    lastProblem_ = problem;
    std::fprintf(stderr, "nicapi: %s\n", problem.c_str());
}

std::optional<EnvironmentSource::Change> EnvironmentSource::poll() {
    const std::string path = environmentPath();
    if (path != watchedPath_) {
        watchedPath_ = path;
        stamp_.reset();
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        report(systemError(path, "cannot open"));
        stamp_.reset();
        return std::nullopt;
    }
    if (stamp_ && *stamp_ == stampOf(status)) return std::nullopt;

    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
        report(systemError(path, "cannot open"));
        return std::nullopt;
    }
    stamp_ = stampOf(status);
    const auto text = readAll(file.get());
    if (!text) {
        report(systemError(path, "cannot read"));
        return std::nullopt;
    }
    EnvironmentResult result = parseEnvironment(*text, path);
    if (!result.environment) {
        report(result.error);
        return std::nullopt;
    }
    lastProblem_.clear();
    const bool otherFile = path != loadedPath_;
    loadedPath_ = path;
    return Change{std::move(*result.environment), otherFile};
}

}  // namespace nicapi

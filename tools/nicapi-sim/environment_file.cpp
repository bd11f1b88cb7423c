#include "environment_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "environment.h"

namespace nicapi_sim {
namespace {

namespace fs = std::filesystem;

// A temporary file: closed when it goes, and removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern) : path_(std::move(pattern)) {
        fd_ = ::mkstemp(path_.data());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

std::string failure(const std::string& what) {
    return what + ": " + std::generic_category().message(errno);
}

}  // namespace

std::string environmentFilePath() {
    const char* path = std::getenv("NICAPI_ENVIRONMENT");
    if (path != nullptr && *path != '\0') return path;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const fs::path prefix = program.parent_path().parent_path();
    for (const char* libdir : {NICAPI_SIM_LIBDIR, "lib"}) {
        const fs::path candidate = prefix / libdir / nicapi::kEnvironmentFileName;
        if (fs::exists(candidate, error)) return candidate.string();
    }
    return (prefix / NICAPI_SIM_LIBDIR / nicapi::kEnvironmentFileName).string();
}

bool replaceFile(const std::string& path, const std::string& text, std::string& error) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    TemporaryFile temporary(path + ".XXXXXX");
    if (temporary.fd() < 0) {
        error = failure("cannot create a file beside " + path);
        return false;
    }
    const bool written = writeAll(temporary.fd(), text) &&
                         (!exists || ::fchmod(temporary.fd(), status.st_mode & 07777) == 0) &&
                         ::fsync(temporary.fd()) == 0;
    if (!written) {
        error = failure("cannot write " + temporary.path());
        return false;
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
        error = failure("cannot replace " + path);
        return false;
    }
    temporary.keep();
    return true;
}

}  // namespace nicapi_sim

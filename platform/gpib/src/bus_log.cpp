#include "bus_log.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gpibsim {
namespace {

#ifdef _WIN32
// The C runtime's descriptors: binary, so that the lines keep their bare line feeds.
constexpr int kLogFlags = _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT;
constexpr int kLogMode = _S_IREAD | _S_IWRITE;

int openLog(const char* path) {
    return ::_open(path, kLogFlags, kLogMode);
}
int closeLog(int fd) {
    return ::_close(fd);
}
int writeLog(int fd, const std::string& line) {
    return ::_write(fd, line.data(), static_cast<unsigned>(line.size()));
}
#else
constexpr mode_t kLogMode = 0644;

int openLog(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kLogMode);
}
int closeLog(int fd) {
    return ::close(fd);
}
ssize_t writeLog(int fd, const std::string& line) {
    return ::write(fd, line.data(), line.size());
}
#endif

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset() {
    if (fd_ >= 0) closeLog(fd_);
    fd_ = -1;
}

std::string escapeBytes(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\\' || c == '"') {
            text += '\\';
            text += c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

std::string_view errorName(int error) {
    switch (error) {
        case 0:
            return "EDVR";
        case 2:
            return "ENOL";
        case 4:
            return "EARG";
        case 6:
            return "EABO";
        case 7:
            return "ENEB";
        default:
            return "E?";
    }
}

std::string formatLogLine(Transfer transfer, std::optional<int> address, std::string_view bytes,
                          std::optional<int> error) {
    std::string line = transfer == Transfer::kWrite ? "write " : "read ";
    line += address ? std::to_string(*address) : "-";
    line += " \"" + escapeBytes(bytes) + "\"";
    if (error) line += " error=" + std::string(errorName(*error));
    return line + "\n";
}

void BusLog::open(const char* path) {
    fd_.reset();
    if (path == nullptr || *path == '\0') return;
    fd_ = UniqueFd(openLog(path));
    if (!fd_.valid()) std::fprintf(stderr, "gpibsim: %s: %s\n", path, std::strerror(errno));
}

void BusLog::record(Transfer transfer, std::optional<int> address, std::string_view bytes,
                    std::optional<int> error) {
    if (!fd_.valid()) return;
    const std::string line = formatLogLine(transfer, address, bytes, error);
    while (writeLog(fd_.get(), line) < 0 && errno == EINTR) {
    }
}

}  // namespace gpibsim

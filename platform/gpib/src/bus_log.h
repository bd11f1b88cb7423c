// The optional trace of bus traffic (GPIBSIM_LOG): one line per write and per read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gpibsim {

// Owns a file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset();

private:
    int fd_ = -1;
};

enum class Transfer { kWrite, kRead };

// Quotes bytes: \n \t \\ \" escaped, other bytes outside printable ASCII as \xNN (lower case hex).
std::string escapeBytes(std::string_view bytes);

// `write 20 "*IDN?\n"`, `read 20 "" error=EABO`; the address is "-" for an unknown descriptor.
// `error` is the iberr value of a failed call.
std::string formatLogLine(Transfer transfer, std::optional<int> address, std::string_view bytes,
                          std::optional<int> error);

// The name of an iberr value ("ENOL").
std::string_view errorName(int error);

class BusLog {
public:
    // Appends to the file at path from now on; null or empty path: no log. A file that cannot
    // be opened is reported on stderr and leaves the log off.
    void open(const char* path);

    // Appends one line with a single write(), so it is complete on disk when this returns.
    void record(Transfer transfer, std::optional<int> address, std::string_view bytes,
                std::optional<int> error);

private:
    UniqueFd fd_;
};

}  // namespace gpibsim

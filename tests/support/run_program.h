// Test support: runs a program of the project as a user would, with its standard input given and
// its output and exit status read back.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace testsupport {

constexpr int kTimeoutMs = 10000;

struct Outcome {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// A file descriptor closed when it goes away.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

inline std::pair<Fd, Fd> makePipe() {
    std::array<int, 2> ends{};
    EXPECT_EQ(::pipe2(ends.data(), O_CLOEXEC), 0);
    return {Fd(ends[0]), Fd(ends[1])};
}

// The program started with `args` and `input` as its standard input, its output read back.
class Program {
public:
    Program(const char* path, const std::vector<std::string>& args, int input) {
        std::vector<char*> argv{const_cast<char*>(path)};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        auto [outRead, outWrite] = makePipe();
        auto [errRead, errWrite] = makePipe();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
        EXPECT_EQ(::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        out_ = std::move(outRead);
        err_ = std::move(errRead);
    }

    // Reads standard error until it holds `text`; false on a timeout or end of file.
    bool waitForError(const std::string& text) {
        while (outcome_.err.find(text) == std::string::npos) {
            if (!readSome(err_, outcome_.err)) return false;
        }
        return true;
    }

    pid_t pid() const { return pid_; }

    Outcome finish() {
        while (out_.get() >= 0 || err_.get() >= 0) {
            std::array<pollfd, 2> fds = {pollfd{out_.get(), POLLIN, 0}, {err_.get(), POLLIN, 0}};
            if (::poll(fds.data(), fds.size(), kTimeoutMs) <= 0) break;
            if (fds[0].revents != 0) readSome(out_, outcome_.out);
            if (fds[1].revents != 0) readSome(err_, outcome_.err);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(pid_, &status, 0), pid_);
        outcome_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome_;
    }

private:
    static bool readSome(Fd& fd, std::string& into) {
        pollfd ready{fd.get(), POLLIN, 0};
        std::array<char, 4096> chunk;
        const ssize_t got =
            ::poll(&ready, 1, kTimeoutMs) > 0 ? ::read(fd.get(), chunk.data(), chunk.size()) : 0;
        if (got <= 0) fd.reset();
        if (got > 0) into.append(chunk.data(), static_cast<std::size_t>(got));
        return got > 0;
    }

    pid_t pid_ = -1;
    Fd out_;
    Fd err_;
    Outcome outcome_;
};

// Runs the program at `path` to its end, with `input` on its standard input.
inline Outcome run(const char* path, const std::vector<std::string>& args,
                   const std::string& input = "") {
    auto [inRead, inWrite] = makePipe();
    Program program(path, args, inRead.get());
    inRead.reset();
    EXPECT_EQ(::write(inWrite.get(), input.data(), input.size()),
              static_cast<ssize_t>(input.size()));
    inWrite.reset();
    return program.finish();
}

}  // namespace testsupport

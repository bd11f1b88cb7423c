#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace netpanel::ui {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// $XDG_RUNTIME_DIR, else a directory of our own under /tmp.
std::string lockDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return runtime;
    std::string dir = "/tmp/netpanel-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) fail("cannot create " + dir);
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0) fail("cannot inspect " + dir);
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        errno = EPERM;
        fail(dir + " is not a directory of this user");
    }
    return dir;
}

}  // namespace

struct SingleInstance::Key {};

std::unique_ptr<SingleInstance> SingleInstance::acquire(const std::string& display) {
    std::string name = display;
    std::replace(name.begin(), name.end(), '/', '_');
    std::string path = lockDirectory() + "/netpanel-" + name + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) fail("cannot open " + path);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return nullptr;
        errno = error;
        fail("cannot lock " + path);
    }
    return std::make_unique<SingleInstance>(Key{}, fd, std::move(path));
}

SingleInstance::SingleInstance(const Key&, int fd, std::string path)
    : fd_(fd), path_(std::move(path)) {}

SingleInstance::~SingleInstance() {
    close(fd_);  // drops the lock
}

}  // namespace netpanel::ui

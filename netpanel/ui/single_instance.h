// One running copy of the utility per desktop.
#pragma once

#include <memory>
#include <string>

namespace netpanel::ui {

// An exclusive lock on `netpanel-<display>.lock` in $XDG_RUNTIME_DIR (when unset or empty:
// /tmp/netpanel-<uid>, created private to the user). The lock is held as long as the object
// lives, and the system drops it when the process ends.
class SingleInstance {
public:
    // Null when another copy holds the lock for `display`. A lock file that cannot be created or
    // opened throws std::system_error. Characters '/' in `display` become '_'.
    static std::unique_ptr<SingleInstance> acquire(const std::string& display);

    struct Key;  // only acquire() makes the object
    SingleInstance(const Key&, int fd, std::string path);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

}  // namespace netpanel::ui

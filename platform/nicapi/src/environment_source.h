// Where the environment file is and whether it changed: NICAPI_ENVIRONMENT, else the default
// file beside the library. Each poll costs one stat() while nothing changes.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "environment.h"

namespace nicapi {

// The default environment file: kEnvironmentFileName in the directory of this library.
std::string defaultEnvironmentPath();
std::string environmentPath();

class EnvironmentSource {
public:
    struct Change {
        Environment environment;
        bool otherFile;  // the first environment, or one from another file than the last
    };

    // A newly loaded environment when the file changed since the last poll; nothing when it did
    // not, or when the new file is unusable (reported once on stderr; the last one stays).
    std::optional<Change> poll();

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    static Stamp stampOf(const struct stat& status);
    void report(const std::string& problem);

    std::string watchedPath_;
    std::optional<Stamp> stamp_;
    std::string loadedPath_;
    std::string lastProblem_;
};

}  // namespace nicapi

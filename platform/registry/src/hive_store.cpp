#include "hive_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <vector>

#include "file_io.h"
#include "hive_format.h"

namespace registry {
namespace {

constexpr mode_t kDirectoryMode = 0700;
constexpr mode_t kFileMode = 0600;
constexpr char kHiveSuffix[] = ".reg";
constexpr char kLockSuffix[] = ".lock";
constexpr char kTemporarySuffix[] = ".tmp";

std::string passwordHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        return {};
    }
    return found->pw_dir;
}

std::string hivePathIn(const std::string& directory, Root root) {
    return directory + '/' + std::string(rootName(root)) + kHiveSuffix;
}

// What tells one version of a file from another. The store keeps the file it parsed open, so
// its inode number cannot be reused for a newer file meanwhile.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;

    bool operator==(const FileIdentity&) const = default;
};

std::int64_t nanoseconds(const timespec& time) {
    constexpr std::int64_t kPerSecond = 1'000'000'000;
    return static_cast<std::int64_t>(time.tv_sec) * kPerSecond + time.tv_nsec;
}

FileIdentity identityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

struct CachedHive {
    std::string path;
    FileDescriptor file;
    FileIdentity identity;
    std::shared_ptr<const Key> tree;
    std::string error;  // the file cannot be parsed
};

class HiveStore {
public:
    static HiveStore& instance() {
        static HiveStore store;
        return store;
    }

    LONG read(Root root, std::shared_ptr<const Key>& tree) {
        const std::string path = hivePathIn(hiveDirectory(), root);
        const std::lock_guard lock(cacheMutex_);
        return load(root, path, tree);
    }

    // Writers of this process take turns here, so that readers never wait for another
    // process's lock.
    LONG update(Root root, const HiveChange& change) {
        const std::lock_guard writer(writerMutex_);
        const std::string directory = hiveDirectory();
        const std::string path = hivePathIn(directory, root);
        if (const int error = makeDirectories(directory, kDirectoryMode)) {
            return ioFailure(directory, "cannot create the directory", error);
        }
        int error = 0;
        const FileDescriptor hiveLock = lockFile(path + kLockSuffix, error);
        if (!hiveLock.valid()) return ioFailure(path + kLockSuffix, "cannot lock", error);
        std::shared_ptr<const Key> current;
        if (const LONG status = read(root, path, current)) return status;
        auto next = std::make_shared<Key>(*current);
        bool changed = false;
        const LONG status = change(*next, changed);
        if (status != ERROR_SUCCESS || !changed) return status;
        return replace(root, path, directory, std::move(next));
    }

    std::string lastFailure() {
        const std::lock_guard lock(failureMutex_);
        return lastFailure_;
    }

private:
    LONG read(Root root, const std::string& path, std::shared_ptr<const Key>& tree) {
        const std::lock_guard lock(cacheMutex_);
        return load(root, path, tree);
    }

    CachedHive& cached(Root root) { return cache_[static_cast<std::size_t>(root)]; }

    LONG load(Root root, const std::string& path, std::shared_ptr<const Key>& tree) {
        FileDescriptor file = openFile(path, O_RDONLY);
        if (!file.valid() && errno == ENOENT) {
            tree = std::make_shared<const Key>(std::string(rootName(root)));
            return ERROR_SUCCESS;
        }
        struct stat info {};
        if (!file.valid() || ::fstat(file.get(), &info) != 0) {
            return ioFailure(path, "cannot read", errno);
        }
        CachedHive& hive = cached(root);
        if (hive.path != path || !hive.file.valid() || hive.identity != identityOf(info)) {
            std::string text;
            if (!readAll(file.get(), text)) return ioFailure(path, "cannot read", errno);
            hive = CachedHive{path, std::move(file), identityOf(info), nullptr, {}};
            parse(root, text, hive);
            // Reported once for each version of the file that fails.
            if (!hive.error.empty()) std::fprintf(stderr, "registry: %s\n", hive.error.c_str());
        }
        if (!hive.error.empty()) return badHive(hive.error);
        tree = hive.tree;
        return ERROR_SUCCESS;
    }

    static void parse(Root root, std::string_view text, CachedHive& hive) {
        const ParsedFile parsed = parseRegFile(text);
        if (parsed.error) {
            hive.error =
                hive.path + ':' + std::to_string(parsed.error->line) + ": " + parsed.error->what;
            return;
        }
        auto tree = std::make_shared<Key>(std::string(rootName(root)));
        for (const auto& section : parsed.sections) {
            if (section.root != root) {
                hive.error = hive.path + ':' + std::to_string(section.line) + ": key outside " +
                             std::string(rootName(root));
                return;
            }
            applySection(section, *tree);
        }
        hive.tree = std::move(tree);
    }

    LONG replace(Root root, const std::string& path, const std::string& directory,
                 std::shared_ptr<const Key> tree) {
        const std::string text = writeRegFile(*tree, std::string(rootName(root)));
        const std::string temporary = path + kTemporarySuffix;
        ::unlink(temporary.c_str());  // left behind by a writer that died
        FileDescriptor file = openFile(temporary, O_WRONLY | O_CREAT | O_EXCL, kFileMode);
        if (!file.valid()) return ioFailure(temporary, "cannot create", errno);
        struct stat info {};
        if (!writeAll(file.get(), text) || ::fsync(file.get()) != 0 ||
            ::rename(temporary.c_str(), path.c_str()) != 0 || ::fstat(file.get(), &info) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            return ioFailure(path, "cannot write", error);
        }
        {
            const std::lock_guard lock(cacheMutex_);
            cached(root) = CachedHive{path, std::move(file), identityOf(info), std::move(tree), {}};
        }
        if (const int error = syncDirectory(directory)) {
            return ioFailure(directory, "cannot flush the directory", error);
        }
        return ERROR_SUCCESS;
    }

    LONG badHive(const std::string& error) {
        const std::lock_guard lock(failureMutex_);
        lastFailure_ = error;
        return ERROR_BADDB;
    }

    LONG ioFailure(const std::string& path, const char* action, int error) {
        const std::lock_guard lock(failureMutex_);
        lastFailure_ =
            path + ": " + action + ": " + std::error_code(error, std::generic_category()).message();
        const bool denied = error == EACCES || error == EPERM || error == EROFS;
        return denied ? ERROR_ACCESS_DENIED : ERROR_REGISTRY_IO_FAILED;
    }

    // Taken in this order.
    std::mutex writerMutex_;
    std::mutex cacheMutex_;    // cache_
    std::mutex failureMutex_;  // lastFailure_
    std::array<CachedHive, kRoots.size()> cache_;
    std::string lastFailure_;
};

}  // namespace

std::string hiveDirectory() {
    const char* directory = std::getenv("NETPANEL_REGISTRY_DIR");
    if (directory != nullptr && *directory != '\0') return directory;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') return std::string(config) + "/netpanel/registry";
    const char* home = std::getenv("HOME");
    const std::string base = home != nullptr && *home != '\0' ? home : passwordHome();
    return base + "/.config/netpanel/registry";
}

LONG readHive(Root root, std::shared_ptr<const Key>& tree) {
    return HiveStore::instance().read(root, tree);
}

LONG updateHive(Root root, const HiveChange& change) {
    return HiveStore::instance().update(root, change);
}

std::string lastHiveError() {
    return HiveStore::instance().lastFailure();
}

}  // namespace registry

// The hive files under stress: writers killed at random moments, processes writing at the same
// time, readers in other processes, file modes and where the files go.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include <registry/store.h>

#include "hive_format.h"
#include "registry_fixture.h"

namespace {

using registrytest::createKey;
using registrytest::KeyHandle;
using registrytest::readFile;
using registrytest::setDword;
using registrytest::setString;

// A pipe whose ends close themselves.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0); }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() { closeEnd(0); }
    void closeWrite() { closeEnd(1); }
    void closeEnd(int end) {
        if (ends[end] >= 0) ::close(ends[end]);
        ends[end] = -1;
    }
    int ends[2] = {-1, -1};
};

// Reads until end of file.
std::string drain(int fd) {
    std::string data;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof(chunk))) > 0 || (got < 0 && errno == EINTR))
        data.append(chunk, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    return data;
}

int waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The writer's steps, numbered from 0: set a DWORD, create a key, set a text, and every other
// time delete an earlier DWORD.
enum class StepKind { kSetNumber, kCreateKey, kSetText, kDelete };

StepKind kindOf(int step) {
    return static_cast<StepKind>(step % 4);
}
std::string numberName(int step) {
    return "n" + std::to_string(step);
}
std::string keyName(int step) {
    return "k" + std::to_string(step);
}
std::string textName(int step) {
    return "t" + std::to_string(step);
}
std::string textOf(int step) {
    return std::string(static_cast<std::size_t>(step % 50), 'x');
}
bool deletes(int step) {
    return kindOf(step) == StepKind::kDelete && (step / 4) % 2 == 0;
}

LONG runStep(HKEY key, int step) {
    switch (kindOf(step)) {
        case StepKind::kSetNumber:
            return setDword(key, numberName(step).c_str(), static_cast<DWORD>(step));
        case StepKind::kCreateKey: {
            KeyHandle created;
            return createKey(key, keyName(step).c_str(), created);
        }
        case StepKind::kSetText:
            return setString(key, textName(step).c_str(), textOf(step));
        case StepKind::kDelete:
            return deletes(step) ? RegDeleteValueA(key, numberName(step - 3).c_str())
                                 : ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

struct KeyState {
    std::map<std::string, std::string> values;  // name: data as read back
    std::set<std::string> keys;
    bool operator==(const KeyState&) const = default;
};

std::string dwordBytes(DWORD number) {
    return std::string(reinterpret_cast<const char*>(&number), sizeof(number));
}

// What the key holds once the first `steps` steps are done.
KeyState expectedAfter(int steps) {
    KeyState state;
    for (int step = 0; step < steps; ++step) {
        switch (kindOf(step)) {
            case StepKind::kSetNumber:
                state.values[numberName(step)] = dwordBytes(static_cast<DWORD>(step));
                break;
            case StepKind::kCreateKey:
                state.keys.insert(keyName(step));
                break;
            case StepKind::kSetText:
                state.values[textName(step)] = textOf(step) + '\0';
                break;
            case StepKind::kDelete:
                if (deletes(step)) state.values.erase(numberName(step - 3));
                break;
        }
    }
    return state;
}

KeyState readState(HKEY key) {
    KeyState state;
    std::vector<registry::ValueEntry> values;
    EXPECT_EQ(registry::enumValues(key, values), ERROR_SUCCESS);
    for (const auto& value : values) {
        std::string data(value.data.begin(), value.data.end());
        if (value.type == REG_SZ) data += '\0';
        state.values[value.name] = data;
    }
    char name[64];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof(name)) == ERROR_SUCCESS; ++index)
        state.keys.insert(name);
    return state;
}

class HiveStore : public registrytest::RegistryTest {};

// Reads one step report; false at the end of the reports.
bool readReport(int fd, std::string& reports) {
    int step = 0;
    ssize_t got = 0;
    while ((got = ::read(fd, &step, sizeof(step))) < 0 && errno == EINTR) {
    }
    if (got != sizeof(step)) return false;
    reports.append(reinterpret_cast<const char*>(&step), sizeof(step));
    return true;
}

TEST_F(HiveStore, WritesThatReturnedSurviveAKilledWriter) {
    constexpr int kRounds = 40;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> stepsBeforeKill(0, 4);
    std::uniform_int_distribution<int> delayUs(0, 8000);  // a write takes a few milliseconds
    for (int round = 0; round < kRounds; ++round) {
        const std::string roundKey = "Round" + std::to_string(round);
        KeyHandle key;
        ASSERT_EQ(createKey(HKEY_CURRENT_USER, roundKey.c_str(), key), ERROR_SUCCESS);
        Pipe reports;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int step = 0;; ++step) {
                const int report = runStep(key.get(), step) == ERROR_SUCCESS ? step : -1;
                if (::write(reports.ends[1], &report, sizeof(report)) != sizeof(report) ||
                    report < 0) {
                    ::_exit(1);
                }
            }
        }
        reports.closeWrite();
        // The kill comes after a few steps, at a random moment of the next one.
        std::string data;
        for (int steps = stepsBeforeKill(random); steps > 0 && readReport(reports.ends[0], data);)
            --steps;
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        const int status = waitFor(child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed, seed " << seed;

        data += drain(reports.ends[0]);
        const int done = static_cast<int>(data.size() / sizeof(int));
        for (int i = 0; i < done; ++i) {
            int step = 0;
            std::memcpy(&step, data.data() + i * sizeof(int), sizeof(int));
            ASSERT_EQ(step, i) << "seed " << seed;
        }

        const std::string text = readFile(userHive());
        const registry::ParsedFile parsed = registry::parseRegFile(text);
        ASSERT_FALSE(parsed.error) << parsed.error->what << ", seed " << seed << "\n" << text;
        // Every step that returned is there; the one under way when the kill came may be too.
        const KeyState found = readState(key.get());
        EXPECT_TRUE(found == expectedAfter(done) || found == expectedAfter(done + 1))
            << "round " << round << " after " << done << " steps, seed " << seed;
        // The lock went with the writer.
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, "Rounds", static_cast<DWORD>(round)), 0);
    }
}

TEST_F(HiveStore, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 2;
    constexpr int kValues = 300;
    Pipe start;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            start.closeWrite();
            drain(start.ends[0]);  // returns when the parent lets every writer go
            KeyHandle key;
            bool ok = createKey(HKEY_CURRENT_USER, "Shared\\Key", key) == ERROR_SUCCESS;
            for (int i = 0; ok && i < kValues; ++i) {
                const std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
                ok = setDword(key.get(), name.c_str(), static_cast<DWORD>(i)) == ERROR_SUCCESS;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    start.closeWrite();
    for (const pid_t child : children) {
        const int status = waitFor(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    reloadFromCopy();
    KeyHandle key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Shared\\Key", key.out()), ERROR_SUCCESS);
    KeyState expected;
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int i = 0; i < kValues; ++i) {
            expected.values["w" + std::to_string(writer) + "-" + std::to_string(i)] =
                dwordBytes(static_cast<DWORD>(i));
        }
    }
    const KeyState found = readState(key.get());
    EXPECT_EQ(found.values.size(), expected.values.size());
    EXPECT_TRUE(found == expected);
}

TEST_F(HiveStore, ReadersSeeEachNewFile) {
    KeyHandle key;
    ASSERT_EQ(createKey(HKEY_CURRENT_USER, "Seen", key), ERROR_SUCCESS);
    for (DWORD round = 1; round <= 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) ::_exit(setDword(key.get(), "Value", round) == ERROR_SUCCESS ? 0 : 1);
        ASSERT_EQ(waitFor(child), 0);
        DWORD value = 0;
        DWORD size = sizeof(value);
        ASSERT_EQ(RegQueryValueExA(key.get(), "Value", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS);
        ASSERT_EQ(value, round);
    }
}

TEST_F(HiveStore, FilesAreForTheOwnerOnly) {
    const std::filesystem::path base = directory();
    useDirectory((base / "made" / "registry").string());
    const mode_t previous = ::umask(0);
    const LONG user = setString(HKEY_CURRENT_USER, "WepKey", "secret");
    const LONG machine = setDword(HKEY_LOCAL_MACHINE, "Flag", 1);
    ::umask(previous);
    ASSERT_EQ(user, ERROR_SUCCESS);
    ASSERT_EQ(machine, ERROR_SUCCESS);
    const auto modeOf = [](const std::filesystem::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    EXPECT_EQ(modeOf(base / "made"), 0700u);
    EXPECT_EQ(modeOf(directory()), 0700u);
    for (const char* file : {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
                             "HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.reg.lock"}) {
        EXPECT_EQ(modeOf(directory() / file), 0600u) << file;
    }
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
                                     "HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.reg.lock"}));
}

TEST_F(HiveStore, ReadingCreatesNothing) {
    const std::filesystem::path missing = directory() / "missing";
    useDirectory(missing.string());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_FILE_NOT_FOUND);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof(name)), ERROR_NO_MORE_ITEMS);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(HiveStore, DirectoryThatCannotBeMadeIsReported) {
    const std::filesystem::path blocker = directory() / "file";
    registrytest::writeFile(blocker, "not a directory");
    useDirectory((blocker / "registry").string());
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "A", 1), ERROR_REGISTRY_IO_FAILED);
    EXPECT_EQ(registry::lastHiveError(),
              directory().string() + ": cannot create the directory: Not a directory");
    KeyHandle key;
    EXPECT_EQ(createKey(HKEY_CURRENT_USER, "K", key), ERROR_REGISTRY_IO_FAILED);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "K", key.out()), ERROR_REGISTRY_IO_FAILED);
}

TEST_F(HiveStore, UnwritableDirectoryIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    ASSERT_EQ(::chmod(directory().c_str(), 0500), 0);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "A", 1), ERROR_ACCESS_DENIED);
    EXPECT_NE(registry::lastHiveError().find(directory().string()), std::string::npos);
    ASSERT_EQ(::chmod(directory().c_str(), 0700), 0);
}

// Sets the environment variable for the life of the object, then puts the old value back.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old != nullptr) old_ = old;
        if (value != nullptr) ::setenv(name, value, 1);
        if (value == nullptr) ::unsetenv(name);
    }
    ~EnvironmentVariable() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        if (!old_) ::unsetenv(name_);
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct DirectoryCase {
    const char* name;
    const char* registryDir;
    const char* configHome;
    std::string expected;  // below the test's directory, "~" for below HOME
};

TEST_F(HiveStore, HiveDirectoryFollowsTheEnvironment) {
    const std::string base = directory().string();
    const std::string ownDir = base + "/own";
    const std::string config = base + "/config";
    const DirectoryCase cases[] = {
        {"registry dir", ownDir.c_str(), config.c_str(), ownDir},
        {"config home", nullptr, config.c_str(), config + "/netpanel/registry"},
        {"empty registry dir", "", config.c_str(), config + "/netpanel/registry"},
        {"home", nullptr, nullptr, base + "/home/.config/netpanel/registry"},
        {"relative config home", nullptr, "relative", base + "/home/.config/netpanel/registry"},
    };
    const EnvironmentVariable home("HOME", (base + "/home").c_str());
    for (const auto& c : cases) {
        const EnvironmentVariable registryDir("NETPANEL_REGISTRY_DIR", c.registryDir);
        const EnvironmentVariable configHome("XDG_CONFIG_HOME", c.configHome);
        EXPECT_EQ(registry::hiveDirectory(), c.expected) << c.name;
        ASSERT_EQ(setString(HKEY_CURRENT_USER, "Case", c.name), ERROR_SUCCESS);
        EXPECT_EQ(registrytest::queryString(HKEY_CURRENT_USER, "Case"), c.name);
        EXPECT_TRUE(std::filesystem::exists(c.expected + "/HKEY_CURRENT_USER.reg")) << c.name;
    }
}

}  // namespace

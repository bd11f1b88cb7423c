// The tray record and the single-instance lock.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "ui/host.h"
#include "ui/single_instance.h"

namespace netpanel::ui {
namespace {

TEST(NotifyIconData, IsTheEightyEightByteTrayRecord) {
    EXPECT_EQ(sizeof(NotifyIconData), 88u);
    EXPECT_EQ(offsetof(NotifyIconData, uCallbackMessage), 16u);
    EXPECT_EQ(offsetof(NotifyIconData, hIcon), 20u);
    EXPECT_EQ(offsetof(NotifyIconData, szTip), 24u);
    EXPECT_EQ(static_cast<int>(MsgResult::Yes), 6);
    EXPECT_EQ(static_cast<int>(MsgResult::No), 7);
}

// Points $XDG_RUNTIME_DIR at a fresh directory for the test, then restores it.
class RuntimeDir {
public:
    RuntimeDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "uitest-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
        setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
    }
    ~RuntimeDir() {
        old_ ? setenv("XDG_RUNTIME_DIR", old_->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(path_);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::optional<std::string> old_;
};

TEST(SingleInstance, OneHolderPerDisplay) {
    RuntimeDir dir;
    auto first = SingleInstance::acquire(":7");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->path(), dir.path() + "/netpanel-:7.lock");
    EXPECT_EQ(SingleInstance::acquire(":7"), nullptr);
    auto other = SingleInstance::acquire("wayland/1");
    ASSERT_NE(other, nullptr) << "another display is another desktop";
    EXPECT_EQ(other->path(), dir.path() + "/netpanel-wayland_1.lock");
    first.reset();
    EXPECT_NE(SingleInstance::acquire(":7"), nullptr) << "released when the holder goes";
}

TEST(SingleInstance, AnotherProcessHoldsTheLockUntilItEnds) {
    RuntimeDir dir;
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto lock = SingleInstance::acquire(":3");
        char byte = lock ? 'y' : 'n';
        char go;
        bool ok = write(toParent[1], &byte, 1) == 1 && read(toChild[0], &go, 1) == 1;
        _exit(ok ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(toParent[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    EXPECT_EQ(SingleInstance::acquire(":3"), nullptr);
    ASSERT_EQ(write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(SingleInstance::acquire(":3"), nullptr);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        close(fd);
}

TEST(SingleInstance, FallsBackToAPrivateDirectoryInTmp) {
    RuntimeDir dir;
    unsetenv("XDG_RUNTIME_DIR");
    std::string display = "uitest-" + std::to_string(getpid());
    auto lock = SingleInstance::acquire(display);
    ASSERT_NE(lock, nullptr);
    std::string expected = "/tmp/netpanel-" + std::to_string(getuid());
    EXPECT_EQ(lock->path(), expected + "/netpanel-" + display + ".lock");
    EXPECT_EQ(std::filesystem::status(expected).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    std::filesystem::remove(lock->path());
}

TEST(SingleInstance, AnUnusableDirectoryThrows) {
    RuntimeDir dir;
    setenv("XDG_RUNTIME_DIR", (dir.path() + "/missing").c_str(), 1);
    EXPECT_THROW(SingleInstance::acquire(":0"), std::system_error);
}

}  // namespace
}  // namespace netpanel::ui

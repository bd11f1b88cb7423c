// The program netpanel as a person starts it, offscreen.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "qt_test_support.h"

namespace netpanel::qt {
namespace {

namespace fs = std::filesystem;

class Program : public ::testing::Test {
protected:
    Program() {
        testing::app();
        fs::copy_file(NICAPI_ENVIRONMENT_FILE, dir.path() / "nicapi-environment.ini");
        fs::create_directories(dir.path() / "registry");
        fs::create_directories(dir.path() / "run");
        fs::permissions(dir.path() / "run", fs::perms::owner_all);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("DISPLAY", ":91");  // the desktop of the single-instance rule
        environment.insert("NICAPI_ENVIRONMENT", path("nicapi-environment.ini"));
        environment.insert("NETPANEL_REGISTRY_DIR", path("registry"));
        environment.insert("XDG_RUNTIME_DIR", path("run"));
        environment.remove("NICAPI_LIBRARY");
    }

    QString path(const char* name) const {
        return QString::fromStdString((dir.path() / name).string());
    }
    void launch(QProcess& process) {
        process.setProcessEnvironment(environment);
        process.start(NETPANEL_PROGRAM, {});
        ASSERT_TRUE(process.waitForStarted());
    }
    // Runs the program to its end; false when it did not end in time.
    bool run(QProcess& process, int timeoutMs = 20000) {
        launch(process);
        return process.waitForFinished(timeoutMs);
    }

    testing::TempDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

TEST_F(Program, AStartThatCannotGoOnSaysWhyAndEndsWith1) {
    // A copy of the program whose directory holds `kvConfig` as KvConfig.ini (null: none).
    auto programWith = [this](const char* name, const char* kvConfig) {
        const fs::path bin = dir.path() / name / "bin";
        fs::create_directories(bin);
        fs::copy_file(NETPANEL_PROGRAM, bin / "netpanel");
        if (kvConfig != nullptr) std::ofstream(bin / "KvConfig.ini") << kvConfig;
        return QString::fromStdString((bin / "netpanel").string());
    };
    const struct {
        const char* name;
        std::function<void(QProcessEnvironment&)> prepare;  // may point program at a copy
        QString program;
        const char* says;
    } cases[] = {
        {"no adapter library",
         [](QProcessEnvironment& e) { e.insert("NICAPI_LIBRARY", "/nonexistent/libnicapi.so"); },
         NETPANEL_PROGRAM, "/nonexistent/libnicapi.so"},
        {"a library that is not the adapter's",
         [](QProcessEnvironment& e) { e.insert("NICAPI_LIBRARY", OTHER_LIBRARY_PATH); },
         NETPANEL_PROGRAM, "lacks the entry VBCreateNICAdapterList"},
        {"a hive that cannot be parsed",
         [this](QProcessEnvironment&) {
             std::ofstream(dir.path() / "registry" / "HKEY_LOCAL_MACHINE.reg") << "REGEDIT5\n";
         },
         NETPANEL_PROGRAM, "HKEY_LOCAL_MACHINE.reg:1:"},
        {"no KvConfig.ini", [](QProcessEnvironment& e) { e.insert("NICAPI_LIBRARY", NICAPI_PATH); },
         programWith("without", nullptr), "Kvconfig.ini Can't be find"},
        {"a KvConfig.ini without its section",
         [](QProcessEnvironment& e) { e.insert("NICAPI_LIBRARY", NICAPI_PATH); },
         programWith("malformed", "[OTHER]\n"), "KvConfig.ini: no line"},
        {"no display",
         [](QProcessEnvironment& e) {
             for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                 e.remove(name);
         },
         NETPANEL_PROGRAM, "QT_QPA_PLATFORM=offscreen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment env = environment;
        c.prepare(env);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(c.program, {});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_TRUE(errors.contains(c.says)) << errors.toStdString();
        fs::remove(dir.path() / "registry" / "HKEY_LOCAL_MACHINE.reg");
    }
}

TEST_F(Program, RunsOffscreenOnTheSimulatedAdapterAndGrabsItsWindow) {
    environment.insert("NETPANEL_SCREENSHOT", path("window.png"));
    environment.insert("NETPANEL_SCREENSHOT_DELAY_MS", "1500");
    QProcess process;
    ASSERT_TRUE(run(process));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QImage picture(path("window.png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(), 400);
    EXPECT_GE(picture.height(), 300);
}

TEST_F(Program, ASecondCopyOnTheSameDesktopSaysSoAndEnds) {
    QProcess first;
    launch(first);
    const fs::path lock = dir.path() / "run" / "netpanel-:91.lock";
    ASSERT_TRUE(testing::waitUntil([&] { return fs::exists(lock); }));
    QProcess second;
    ASSERT_TRUE(run(second));
    EXPECT_EQ(second.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_TRUE(errors.contains("already running")) << errors.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(5000));
}

}  // namespace
}  // namespace netpanel::qt

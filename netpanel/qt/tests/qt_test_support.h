// What the Qt view's tests share: one offscreen application, temporary directories and
// environment variables, waiting for the event loop, and answering the dialogs a test opens.
#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdlib.h>
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace netpanel::qt::testing {

// The application of the test process, offscreen unless the caller chose a platform. It ends
// with the tests, before the program's static objects go (Qt's own among them).
inline QApplication& app() {
    static std::unique_ptr<QApplication> instance;
    if (instance == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "netpanel_qt_test";
        static char* argv[] = {name, nullptr};
        instance = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);

        class EndApplication : public ::testing::Environment {
        public:
            void TearDown() override { instance.reset(); }
        };
        // GoogleTest owns its environments.
        ::testing::AddGlobalTestEnvironment(std::make_unique<EndApplication>().release());
    }
    return *instance;
}

// A test whose members may be widgets: the application exists before them.
class AppTest : public ::testing::Test {
protected:
    AppTest() { app(); }
};

using testsupport::EnvVar;
using testsupport::TempDir;

// Runs the event loop until `done` holds or `timeout` passed; returns whether it holds.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(10);
    }
    return true;
}

// Once the event loop runs (inside a modal dialog or a menu), calls `act` with the widget that
// `find` returns, retrying until there is one.
inline void whenShown(std::function<QWidget*()> find, std::function<void(QWidget&)> act) {
    QTimer::singleShot(20, [find, act] {
        if (QWidget* widget = find()) {
            act(*widget);
        } else {
            whenShown(find, act);
        }
    });
}

}  // namespace netpanel::qt::testing

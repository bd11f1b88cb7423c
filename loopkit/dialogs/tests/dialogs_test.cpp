// The test dialogs driven as a person would, offscreen, on in-memory media: messages, figures and
// the frame log, and dialogs that go away while their routines still run.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "loopkit_fixture.h"
#include "routine_hub.h"
#include "rx_dialog.h"
#include "show_dialog.h"
#include "two_way_dialog.h"
#include "tx_dialog.h"

#if defined(__SANITIZE_THREAD__)
// Qt is not built with the thread checker, which therefore cannot see its locks: what Qt hands
// from one thread to another (a call posted to the application's thread, whose stacks pass
// through Qt's functor-slot header, and the work of Qt's own thread pool) looks unordered to it.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "race:qobjectdefs_impl.h\n";
}
#endif

namespace {

using namespace loopkit::dialogs;
using namespace loopkit_test;

QApplication& app() {
    static std::unique_ptr<QApplication> instance;
    if (instance == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "loopkit_dialogs_test";
        static char* argv[] = {name, nullptr};
        instance = std::make_unique<QApplication>(argc, argv);
        class End : public testing::Environment {
            void TearDown() override { instance.reset(); }
        };
        testing::AddGlobalTestEnvironment(std::make_unique<End>().release());
    }
    return *instance;
}

// Runs the event loop until `done` holds, for up to 20 s.
bool settles(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
}

template <class Widget = QWidget>
Widget* control(QWidget* dialog, int id) {
    auto* widget = dialog->findChild<Widget*>(QString::number(id));
    EXPECT_NE(widget, nullptr) << id;
    return widget;
}
template <class Widget = QLabel>
QString textOf(QWidget* dialog, int id) {
    return control<Widget>(dialog, id)->text();
}
void type(QWidget* dialog, int id, const QString& text) {
    control<QLineEdit>(dialog, id)->setText(text);
}
void click(QWidget* dialog, int id) {
    control<QAbstractButton>(dialog, id)->click();
}
bool enabled(QWidget* dialog, int id) {
    return control(dialog, id)->isEnabled();
}

// Two dialogs' stations on one medium; the boxes a dialog opens are recorded, never shown.
class DialogTest : public MediumTest {
protected:
    void SetUp() override {
        app();
        MediumTest::SetUp();
        dialogHooks().message = [this](QWidget*, const QString& text) { messages.push_back(text); };
        dialogHooks().openFile = [this](QWidget*) { return chosenFile; };
    }
    void sendAll(const std::vector<Bytes>& frames) {
        for (const Bytes& frame : frames)
            sendRaw(frame);
    }

    QStringList messages;
    QString chosenFile;
};

constexpr int kOnePacket = 1251, kContinue = 1267, kStopSend = 1268, kCapture = 1283, kStop = 1268;

struct LengthCase {
    int button;
    bool random;
    const char* length;
    const char* interval;
    const char* message;  // empty: the frames go out
};

TEST_F(DialogTest, TxChecksLengthAndIntervalBeforeSending) {
    const LengthCase cases[] = {
        {kOnePacket, false, "49", "0", "Must >= 50"},
        {kOnePacket, false, "50", "0", ""},
        {kOnePacket, false, "1500", "0", ""},
        {kOnePacket, false, "1501", "0", "Must <= 1500"},
        {kContinue, false, "45", "0", "Must >= 46"},
        {kContinue, false, "46", "0", ""},
        {kContinue, false, "1501", "0", "Must <= 1500"},
        {kOnePacket, true, "7", "0", ""},
        {kContinue, true, "x", "0", ""},
        {kOnePacket, false, "100", "-1", "Must >= 0"},
        {kContinue, false, "100", "60001", "Must <= 60000"},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(std::string(c.length) + (c.random ? " random" : "") + " on " +
                     std::to_string(c.button));
        messages.clear();
        TxDialog tx(&txInfo);
        ASSERT_TRUE(tx.valid());
        type(&tx, 1249, c.length);
        type(&tx, 1248, c.interval);
        type(&tx, 1250, "2");
        if (c.random) click(&tx, 6001);
        click(&tx, c.button);
        EXPECT_EQ(messages.join("|"), QString(c.message));
        EXPECT_EQ(enabled(&tx, kStopSend), *c.message == '\0');
        if (*c.message != '\0') continue;
        if (c.button == kContinue) {
            ASSERT_TRUE(settles([&] { return textOf(&tx, 1262) != "0"; }));  // frames go out
            click(&tx, kStopSend);
        }
        ASSERT_TRUE(settles([&] { return enabled(&tx, kOnePacket) && enabled(&tx, kContinue); }));
        EXPECT_FALSE(enabled(&tx, kStopSend));
        if (c.button == kOnePacket) {
            EXPECT_EQ(textOf(&tx, 1262), "2");
        }
    }
}

TEST_F(DialogTest, TxSendsWhatTheRxDialogCountsWithFourteenBytesAboveTheTypedLength) {
    RxDialog rx(&rxInfo);
    TxDialog tx(&txInfo);
    click(&rx, 1313);  // no frame count
    click(&rx, kCapture);
    ASSERT_FALSE(enabled(&rx, kCapture));

    type(&tx, 1027, "02 00 00 00 00 0b");
    type(&tx, 1249, "100");
    auto* count = control<QLineEdit>(&tx, 1250);
    count->clear();
    QTest::keyClicks(count, "20");
    EXPECT_EQ(control<QPushButton>(&tx, kOnePacket)->text(), "20 Packet Send");
    click(&tx, kOnePacket);
    ASSERT_TRUE(settles([&] { return enabled(&tx, kOnePacket); }));
    EXPECT_EQ(textOf(&tx, 1262), "20");

    ASSERT_TRUE(settles([&] { return textOf(&rx, 1315) == "20"; }));
    click(&rx, kStop);
    ASSERT_TRUE(settles([&] { return enabled(&rx, kCapture); }));
    EXPECT_EQ(textOf(&rx, 1315), "20");
    EXPECT_EQ(textOf(&rx, 1290), "0");
    EXPECT_EQ(textOf(&rx, 1291), "0");
    EXPECT_EQ(textOf(&rx, 1292), QString::number(20 * (100 + 14)));
}

TEST_F(DialogTest, QuietLogFollowsTheRecordsAndModesSetTheRecordCount) {
    RxDialog rx(&rxInfo);
    click(&rx, 1286);  // Dump Mode
    EXPECT_EQ(control<QLineEdit>(&rx, 1297)->text(), "10");
    click(&rx, 1285);  // Quiet Mode
    EXPECT_EQ(control<QLineEdit>(&rx, 1297)->text(), "1000");
    click(&rx, kCapture);
    sendAll({goodFrame(0), goodFrame(1), goodFrame(4), badFrame(5)});
    const QString expected =
        QString::fromLatin1(loopkit::kQuietLogHeader).replace("\r\n", "\n") + "..LL.B";
    auto* log = control<QPlainTextEdit>(&rx, 1270);
    EXPECT_TRUE(settles([&] { return log->toPlainText() == expected; }))
        << log->toPlainText().toStdString();
    click(&rx, kStop);
    ASSERT_TRUE(settles([&] { return enabled(&rx, kCapture); }));
    EXPECT_EQ(log->toPlainText(), expected);
}

struct FinalRatesCase {
    std::vector<Bytes> frames;
    int counted;  // good + bad + lost: the capture stops itself there
    const char* good;
    const char* errorRate;
    const char* lostRate;
    const char* totalRate;
};

TEST_F(DialogTest, FinalRatesShowLessThanOneForEitherCount) {
    // The count that stops a capture is checked at good frames: each list ends with one.
    std::vector<Bytes> thousandAndBad;
    for (uint16_t s = 0; s < 1000; ++s) {
        if (s == 500) thousandAndBad.push_back(badFrame(s));
        thousandAndBad.push_back(goodFrame(s));
    }
    const FinalRatesCase cases[] = {
        {thousandAndBad, 1001, "1000", "< 1", "0", "0"},
        {{goodFrame(0), goodFrame(1), badFrame(2), goodFrame(3)}, 5, "3", "200", "200", "400"},
    };
    for (const FinalRatesCase& c : cases) {
        SCOPED_TRACE(c.good);
        RxDialog rx(&rxInfo);
        type(&rx, 1250, QString::number(c.counted));
        click(&rx, kCapture);
        sendAll(c.frames);
        ASSERT_TRUE(settles([&] { return enabled(&rx, kCapture); }))
            << textOf(&rx, 1315).toStdString() << " " << textOf(&rx, 1290).toStdString() << " "
            << textOf(&rx, 1291).toStdString();
        EXPECT_EQ(textOf(&rx, 1315), c.good);
        EXPECT_EQ(textOf(&rx, 1295), c.errorRate);
        EXPECT_EQ(textOf(&rx, 1296), c.lostRate);
        EXPECT_EQ(textOf(&rx, 1298), c.totalRate);
    }
}

TEST_F(DialogTest, NoReportWritesOnlyTheHeaderAndTheBrowseButtonReplacesThePath) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("loopkit_dialogs_" + std::to_string(getpid()) + ".txt");
    RxDialog rx(&rxInfo);
    click(&rx, 1317);
    type(&rx, 1316, "/somewhere/else.txt");
    chosenFile = QString::fromStdString(path.string());
    click(&rx, 1314);
    EXPECT_EQ(control<QLineEdit>(&rx, 1316)->text(), chosenFile);

    click(&rx, kCapture);
    sendAll({goodFrame(0), goodFrame(1), badFrame(2)});
    ASSERT_TRUE(settles([&] { return textOf(&rx, 1290) == "1"; }));
    click(&rx, kStop);
    ASSERT_TRUE(settles([&] { return enabled(&rx, kCapture); }));
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::filesystem::remove(path);
    const std::string text = content.str();
    EXPECT_EQ(text.rfind("Data Captured by Loopkit start at ", 0), 0u) << text;
    EXPECT_EQ(text.find("Frame"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 5), "---\r\n") << text;
}

TEST_F(DialogTest, AutoStopEndsTheCaptureATickAfterTheFramesStop) {
    RxDialog rx(&rxInfo);
    click(&rx, 1313);  // no frame count
    click(&rx, 6003);
    click(&rx, kCapture);
    sendAll({goodFrame(0), goodFrame(1)});
    ASSERT_TRUE(settles([&] { return enabled(&rx, kCapture); }));
    EXPECT_EQ(textOf(&rx, 1315), "2");
}

TEST_F(DialogTest, ADialogClosedWhileItsRoutinesRunLeavesThemNothingToTouch) {
    for (const int mode : {1285, 1286}) {  // quiet, dump
        SCOPED_TRACE(mode);
        auto rx = std::make_unique<RxDialog>(&rxInfo);
        click(rx.get(), mode);
        type(rx.get(), 1297, "100000");
        click(rx.get(), 1313);  // no frame count
        click(rx.get(), kCapture);
        void* tx = KvTxCreate(&txInfo);
        ASSERT_TRUE(KvTxSend(tx, 2, nullptr, 36, 0, 0, true, false, false, 0, nullptr, nullptr));
        ASSERT_TRUE(settles(
            [&] { return control<QPlainTextEdit>(rx.get(), 1270)->toPlainText().size() > 300; }));
        rx.reset();
        KvTxClose(tx);
        // Every run of the dialog goes once its last routine has been.
        EXPECT_TRUE(settles([] { return loopkit::RoutineHub::instance().liveRuns() == 0; }));
    }
}

TEST_F(DialogTest, TwoWayStationsRunTogetherAndStopEachOther) {
    TwoWayDialog server(&rxInfo);
    TwoWayDialog client(&txInfo);
    type(&client, 1305, "35");
    click(&client, 1303);
    EXPECT_EQ(messages.join("|"), "Must >= 36");
    type(&client, 1305, "100");
    click(&server, 1301);
    click(&server, 1303);
    ASSERT_TRUE(settles([&] { return !enabled(&server, 1303); }));
    click(&client, 1303);
    // The figures come with the second ticks of both stations.
    ASSERT_TRUE(settles([&] {
        return textOf(&server, 1307).toInt() > 0 && textOf(&client, 1307).toInt() > 0 &&
               textOf(&client, 1294) != "0";
    }));
    click(&client, 1268);
    ASSERT_TRUE(settles([&] { return enabled(&client, 1303); }));
    EXPECT_FALSE(enabled(&client, 1268));
    // The final figures are the stream's, not the stop frame's that follows it.
    EXPECT_GT(textOf(&client, 1306).toInt(), 1);
    // The server ends with the client's stop frame; a medium flooded both ways may drop it.
    click(&server, 1268);
    ASSERT_TRUE(settles([&] { return enabled(&server, 1303); }));
    EXPECT_FALSE(enabled(&server, 1268));
    EXPECT_EQ(textOf(&server, 1309), "0");
}

TEST(SignalGenerator, FinalFiguresFromTheTallyStepsNeverGoBelowZero) {
    const struct {
        uint32_t good;
        long long packetNum;
        TallyWords delta;  // 96, 120, 128, 136
        const char *good_, *bad, *lost, *errorRate, *lostRate, *totalRate;
    } cases[] = {
        {90, 100, {2, 3, 1, 7}, "90(7)", "3+2", "4+1", "50", "50", "100"},
        {10, 5, {0, 0, 0, 0}, "10(0)", "0+0", "0+0", "", "", "0"},  // more good than sent
        {3, 0, {0, 1, 4, 0}, "3(0)", "1+0", "0+4", "125", "500", ""},
        {1, 3000, {0, 0, 0, 0}, "1(0)", "0+0", "2999+0", "", "999", "999"},
    };
    for (const auto& c : cases) {
        const SignalGeneratorFigures f = signalGeneratorFigures(c.good, c.packetNum, c.delta);
        EXPECT_EQ(f.good, c.good_);
        EXPECT_EQ(f.bad, c.bad);
        EXPECT_EQ(f.lost, c.lost);
        EXPECT_EQ(f.errorRate, c.errorRate) << c.good_;
        EXPECT_EQ(f.lostRate, c.lostRate) << c.good_;
        EXPECT_EQ(f.totalRate, c.totalRate) << c.good_;
    }
}

// An adapter of the simulated adapter library, in an environment and registry of the test's own.
class SimulatedAdapter : public testing::Test {
protected:
    void SetUp() override {
        app();
        dir_ = std::filesystem::temp_directory_path() /
               ("loopkit_dialogs_nicapi_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_ / "registry");
        std::ofstream(dir_ / "environment.ini") << "[radio]\njoin_delay_ms = 0\n"
                                                   "[adapter pccard]\nname = \\DEVICE\\{PCCARD}\n"
                                                   "description = Test PC Card\ninstance = 0007\n"
                                                   "hardware_id = PCMCIA\\KV-WLAN_11B-5A1C\n"
                                                   "mac = 02:5A:1C:00:00:07\nchannels = 1-11\n";
        setenv("NICAPI_ENVIRONMENT", (dir_ / "environment.ini").c_str(), 1);
        setenv("NETPANEL_REGISTRY_DIR", (dir_ / "registry").c_str(), 1);
        info.AdapterHandle = -1;
        std::memcpy(info.InstanceId, "0007", 4);
        info.CallWord = -1;
        info.CallLong1 = -1;
        ASSERT_EQ(VBKvOpenAdapter(&info), 1);
    }
    void TearDown() override {
        VBKvCloseAdapter(&info);
        unsetenv("NICAPI_ENVIRONMENT");
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    WLAdapterInfo info{};
};

TEST_F(SimulatedAdapter, TxShowsAndSetsTheAdaptersPreambleAndRate) {
    const struct {
        int mode, rate;
        bool shortChecked;
        int rateRadio;  // 0: none
    } cases[] = {{1, 1, false, 1258}, {2, 4, true, 1260}, {3, 15, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        SetWL_PreambleMode(&info, c.mode);
        SetWL_TxRateControl(&info, c.rate);
        SetWL_RestartNIC(&info);
        TxDialog tx(&info);
        EXPECT_EQ(control<QCheckBox>(&tx, 1311)->isChecked(), c.shortChecked);
        for (int id = 1258; id <= 1261; ++id)
            EXPECT_EQ(control<QAbstractButton>(&tx, id)->isChecked(), id == c.rateRadio) << id;
        EXPECT_EQ(textOf<QLineEdit>(&tx, 1028), "02 5A 1C 00 00 07");
        click(&tx, 1311);
        EXPECT_EQ(QueryWL_PreambleMode(&info), c.shortChecked ? 1 : 2);
        click(&tx, 1261);
        EXPECT_EQ(QueryWL_TxRateControl(&info), 8);
    }
}

TEST_F(DialogTest, AnotherThreadsCallRunsTheDialogOnTheApplicationsThread) {
    WLAdapterInfo noAdapter{};
    showTxDialog(&noAdapter);  // no engine: returns at once
    showRxDialog(nullptr);
    // The dialog runs modally inside the event loop that this thread spins: a timer finds it.
    QString title, family;
    bool onAppThread = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = shown->windowTitle();
            family = shown->font().family();
            onAppThread = shown->thread() == app().thread();
            shown->reject();
        }
    });
    closer.start(10);
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        showRxDialog(&rxInfo);
        returned = true;
    });
    EXPECT_TRUE(settles([&] { return returned.load(); }));
    caller.join();
    EXPECT_EQ(title, "Rx");
    EXPECT_EQ(family, "Verdana");
    EXPECT_TRUE(onAppThread);
}

}  // namespace

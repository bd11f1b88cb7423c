#include "rx_dialog.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <field_text.h>

#include <algorithm>
#include <cstring>

namespace loopkit::dialogs {
namespace {

constexpr int kPatternChars = 49;
constexpr int kPathChars = 259;
constexpr long long kMaxDumpRecords = 100000;  // 153 MB of dump records at most
constexpr long long kMaxFrameCount = 4294967295LL;
constexpr int kTallyBytes = 256;

uint32_t tallyWord(const std::array<unsigned char, kTallyBytes>& tally, size_t offset) {
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i)
        word |= static_cast<uint32_t>(tally[offset + i]) << (8 * i);
    return word;
}

QString text(long long value) {
    return QString::number(value);
}

QString rateText(int64_t part, int64_t total, bool lessThanOne) {
    return QString::fromStdString(perMilleText(part, total, lessThanOne));
}

}  // namespace

SignalGeneratorFigures signalGeneratorFigures(uint32_t good, long long packetNum,
                                              const TallyWords& delta) {
    SignalGeneratorFigures f;
    const int64_t g = good;
    const int64_t bad = delta.fcsErrors + delta.plcpErrors;
    const int64_t lost =
        packetNum != g ? std::max<int64_t>(0, packetNum - bad - g - delta.word128) : 0;
    f.good = text(g) + "(" + text(delta.word136) + ")";
    f.bad = text(delta.fcsErrors) + "+" + text(delta.plcpErrors);
    f.lost = text(lost) + "+" + text(delta.word128);
    if (packetNum > 0)
        f.totalRate = rateText(std::max<int64_t>(0, packetNum - g), packetNum, false);
    const int64_t total = g + bad + lost + delta.word128;
    if (bad > 0) f.errorRate = rateText(bad, total, true);
    if (lost + delta.word128 > 0) f.lostRate = rateText(lost + delta.word128, total, true);
    return f;
}

RxDialog::RxDialog(WLAdapterInfo* adapter) : TestDialog(QStringLiteral("Rx")), adapter_(adapter) {
    engine_ = KvRxCreate(adapter);

    remote_ = edit(1027, QStringLiteral("Remote MAC Address"));
    signalMode_ = named(new QCheckBox(QStringLiteral("For Singnal Genenrator"), this), 1300,
                        QStringLiteral("For Singnal Genenrator"));
    autoStop_ =
        named(new QCheckBox(QStringLiteral("Auto Stop"), this), 6003, QStringLiteral("Auto Stop"));
    dumpToFile_ = named(new QCheckBox(QStringLiteral("Dump To File"), this), 1317,
                        QStringLiteral("Dump To File"));
    path_ = edit(1316, QStringLiteral("Dump To File"));
    path_->setMaxLength(kPathChars);
    auto* browse = named(new QPushButton(QStringLiteral("..."), this), 1314, QStringLiteral("..."));
    maxDump_ = edit(1297, QStringLiteral("Max Dump packets number"));

    auto* modeBox = new QGroupBox(QStringLiteral("Callback Report"), this);
    auto* modeLayout = new QVBoxLayout(modeBox);
    modes_ = new QButtonGroup(this);
    const char* modeCaptions[] = {"No Report", "Quiet Mode", "Dump Mode", "Dump if Bad",
                                  "Dump if Lost"};
    for (int mode = NoReport; mode <= DumpIfLost; ++mode) {
        const QString caption = QString::fromLatin1(modeCaptions[mode]);
        auto* radio = named(new QRadioButton(caption, modeBox), 1284 + mode, caption);
        modes_->addButton(radio, mode);
        modeLayout->addWidget(radio);
    }
    modes_->button(NoReport)->setChecked(true);

    bad_ = named(new QCheckBox(QStringLiteral("Bad"), this), 1281, QStringLiteral("Bad"));
    lost_ = named(new QCheckBox(QStringLiteral("Lost"), this), 1282, QStringLiteral("Lost"));
    packetNumOn_ = named(new QCheckBox(QStringLiteral("Packet Num"), this), 1313,
                         QStringLiteral("Packet Num"));
    packetNum_ = edit(1250, QStringLiteral("Packet Num"), QStringLiteral("3000"));
    for (QCheckBox* box : {bad_, lost_, packetNumOn_})
        box->setChecked(true);
    const struct {
        int checkId, editId;
        const char* caption;
    } patterns[] = {
        {1280, 1272, "Start Pattern"}, {1275, 1273, "End Pattern"}, {1276, 1274, "Expected"}};
    for (size_t i = 0; i < patternOn_.size(); ++i) {
        const QString caption = QString::fromLatin1(patterns[i].caption);
        patternOn_[i] = named(new QCheckBox(caption, this), patterns[i].checkId, caption);
        pattern_[i] = edit(patterns[i].editId, caption);
        pattern_[i]->setMaxLength(kPatternChars);
    }
    reserve_ =
        named(new QCheckBox(QStringLiteral("Reserve"), this), 1247, QStringLiteral("Reserve"));
    reserve_->setVisible(false);

    capture_ =
        named(new QPushButton(QStringLiteral("Capture"), this), 1283, QStringLiteral("Capture"));
    stop_ = named(new QPushButton(QStringLiteral("Stop"), this), 1268, QStringLiteral("Stop"));
    for (QPushButton* button : {capture_, stop_, browse})
        button->setAutoDefault(false);
    stop_->setEnabled(false);

    const struct {
        int id;
        const char* caption;
        QLabel** label;
        bool perMille;
    } figures[] = {
        {1315, "Good", &good_, false},
        {1290, "Bad", &badCount_, false},
        {1291, "Lost", &lostCount_, false},
        {1292, "Total Bytes", &totalBytes_, false},
        {1293, "Time (milisecond)", &time_, false},
        {1294, "Rx Bytes/s", &byteRate_, false},
        {1295, "Packet Error Rate", &errorRate_, true},
        {1296, "Packet Lost Rate", &lostRate_, true},
        {1298, "Total Error+Lost Rate", &totalRate_, true},
    };
    auto* resultGrid = new QGridLayout;
    int at = 0;
    for (const auto& f : figures) {
        const QString caption = QString::fromLatin1(f.caption);
        *f.label = figure(f.id, caption);
        resultGrid->addWidget(new QLabel(caption, this), at, 0);
        resultGrid->addWidget(*f.label, at, 1);
        if (f.perMille) resultGrid->addWidget(new QLabel(QStringLiteral("/1000"), this), at, 2);
        ++at;
    }
    resultGrid->setRowStretch(at, 1);  // the figures keep their height; the space goes below

    logEdit_ = named(new QPlainTextEdit(this), 1270, QStringLiteral("Log"));
    logEdit_->setReadOnly(true);
    logEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logEdit_->setMaximumBlockCount(0);  // no limit
    logEdit_->setMinimumSize(420, 160);

    auto* settings = new QGridLayout;
    settings->addWidget(new QLabel(QStringLiteral("Remote MAC Address"), this), 0, 0);
    settings->addWidget(remote_, 0, 1, 1, 2);
    settings->addWidget(signalMode_, 1, 0);
    settings->addWidget(autoStop_, 1, 1);
    settings->addWidget(dumpToFile_, 2, 0);
    settings->addWidget(path_, 2, 1);
    settings->addWidget(browse, 2, 2);
    settings->addWidget(new QLabel(QStringLiteral("Max Dump packets number"), this), 3, 0);
    settings->addWidget(maxDump_, 3, 1);
    settings->addWidget(bad_, 4, 0);
    settings->addWidget(lost_, 4, 1);
    settings->addWidget(packetNumOn_, 5, 0);
    settings->addWidget(packetNum_, 5, 1);
    for (size_t i = 0; i < patternOn_.size(); ++i) {
        settings->addWidget(patternOn_[i], 6 + static_cast<int>(i), 0);
        settings->addWidget(pattern_[i], 6 + static_cast<int>(i), 1, 1, 2);
    }
    settings->addWidget(reserve_, 9, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(capture_);
    buttons->addWidget(stop_);

    auto* left = new QVBoxLayout;
    left->addLayout(settings);
    left->addWidget(modeBox);
    left->addLayout(buttons);
    auto* upper = new QHBoxLayout;
    upper->addLayout(left);
    upper->addLayout(resultGrid);
    auto* top = new QVBoxLayout(this);
    top->addLayout(upper);
    top->addWidget(logEdit_, 1);

    connect(modes_, &QButtonGroup::idClicked, this, [this](int mode) { selectMode(mode); });
    connect(browse, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(capture_, &QPushButton::clicked, this, [this] { capture(); });
    connect(stop_, &QPushButton::clicked, this, [this] { KvRxStopCapture(engine_); });
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

RxDialog::~RxDialog() {
    RoutineHub& hub = RoutineHub::instance();
    hub.forget(this);
    KvRxClose(engine_);
    // The worker has ended: the hub frees the arrays once the last routine has been.
    if (logRun_ != 0) hub.workerEnded(logRun_);
}

void RxDialog::selectMode(int mode) {
    if (mode == Quiet) maxDump_->setText(QStringLiteral("1000"));
    if (mode == Dump || mode == DumpIfBad || mode == DumpIfLost)
        maxDump_->setText(QStringLiteral("10"));
}

void RxDialog::chooseFile() {
    if (!dialogHooks().openFile) return;
    const QString chosen = dialogHooks().openFile(this);
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void RxDialog::capture() {
    if (run_ != 0) return;
    const int mode = modes_->checkedId();
    long long records = 0;
    if (mode != NoReport) {
        const FieldValue field =
            checkNumberField(maxDump_->text().toStdString(), 1, kMaxDumpRecords);
        if (!field.ok()) return showMessage(QString::fromStdString(field.message));
        records = field.value;
    }
    const FieldValue packetNum =
        checkNumberField(packetNum_->text().toStdString(), 0, kMaxFrameCount);
    if ((packetNumOn_->isChecked() || signalMode_->isChecked()) && !packetNum.ok())
        return showMessage(QString::fromStdString(packetNum.message));

    logEdit_->clear();
    rates_.reset();
    lastBytes_ = 0;
    for (QLabel* label : {good_, badCount_, lostCount_, totalBytes_, time_, byteRate_, errorRate_,
                          lostRate_, totalRate_})
        label->setText(QStringLiteral("0"));

    const QString remoteText = remote_->text();
    const MacBytes remote = parseAddressText(remoteText.toStdString());
    setPatterns();
    const unsigned long autoStop =
        packetNumOn_->isChecked() ? static_cast<unsigned long>(packetNum.value) : 0;

    RoutineHub& hub = RoutineHub::instance();
    // The previous capture's records: the hub frees them once their routines are done.
    if (logRun_ != 0) hub.release(logRun_);
    logRun_ = 0;
    log_.reset();
    const RunKey run = hub.begin(this);
    _Rx_Frame_Report_Quiet* quiet = nullptr;
    _Rx_Frame_Report_Dump* dump = nullptr;
    if (mode == Quiet) {
        quiet = hub.quietArray(run, static_cast<size_t>(records));
    } else if (mode != NoReport) {
        dump = hub.dumpArray(run, static_cast<size_t>(records));
    }
    if (mode != NoReport && quiet == nullptr && dump == nullptr) {
        hub.release(run);
        return showMessage(QStringLiteral("Not enough memory"));
    }
    if (mode == Quiet) appendLog(QString::fromLatin1(kQuietLogHeader));
    const int condition = mode == DumpIfBad    ? REPORT_ONLY_BAD
                          : mode == DumpIfLost ? REPORT_ONLY_LOST
                                               : REPORT_ALL;

    signalGenerator_ = signalMode_->isChecked();
    packetCount_ = packetNum.value;
    if (signalGenerator_) tally_ = readTally();
    QByteArray path;
    if (dumpToFile_->isChecked()) path = fieldBytes(path_->text(), kPathChars);
    const bool checks = !signalGenerator_;

    logRun_ = run;
    if (!KvRxStartCapture(
            engine_, remoteText.isEmpty() ? nullptr : reinterpret_cast<const char*>(remote.data()),
            autoStop, checks && bad_->isChecked(), checks && lost_->isChecked(), signalGenerator_,
            reserve_->isChecked(), &RoutineHub::completionRoutine, RoutineHub::routineArgument(run),
            condition, quiet != nullptr ? &RoutineHub::quietRoutine : nullptr, quiet,
            quiet != nullptr ? static_cast<unsigned long>(records) : 0,
            dump != nullptr ? &RoutineHub::dumpRoutine : nullptr, dump,
            dump != nullptr ? static_cast<unsigned long>(records) : 0,
            path.isEmpty() ? nullptr : path.data())) {
        // Whatever the refused start left running ends before the pattern call returns.
        KvRxStopCapture(engine_);
        KvRxSetExpectedPattern(engine_, nullptr, 0);
        hub.workerEnded(run);
        return;
    }
    run_ = run;
    setRunning(true);
    timer_.start();
}

void RxDialog::setPatterns() {
    using Setter = bool (*)(void*, const char*, int);
    const Setter setters[] = {&KvRxSetStartPattern, &KvRxSetEndPattern, &KvRxSetExpectedPattern};
    for (size_t i = 0; i < patternOn_.size(); ++i) {
        if (patternOn_[i]->isChecked()) {
            const QByteArray bytes = fieldBytes(pattern_[i]->text(), kPatternChars);
            setters[i](engine_, bytes.constData(), static_cast<int>(bytes.size()));
        } else {
            setters[i](engine_, nullptr, 0);
        }
    }
}

void RxDialog::tick() {
    if (run_ == 0) return;
    const uint64_t bytes = KvRxGetTotalBytes(engine_);
    const unsigned int duration = KvRxGetDurationRead(engine_);
    if (const auto rate = rates_.next(bytes, duration)) byteRate_->setText(QString::number(*rate));
    const bool quietLink = autoStop_->isChecked() && bytes > 0 && bytes == lastBytes_;
    lastBytes_ = bytes;

    const int64_t good = KvRxGetPacketsGood(engine_);
    good_->setText(text(good));
    int64_t bad = 0;
    int64_t lost = 0;
    if (!signalGenerator_) {
        bad = KvRxGetPacketsBad(engine_);
        lost = KvRxGetPacketsLost(engine_);
        badCount_->setText(text(bad));
        lostCount_->setText(text(lost));
    }
    const int64_t total = good + bad + lost;
    if (total != 0) {
        if (bad != 0) errorRate_->setText(rateText(bad, total, false));
        if (lost != 0) lostRate_->setText(rateText(lost, total, true));
    }
    time_->setText(QString::number(duration));
    totalBytes_->setText(QString::number(bytes));
    if (quietLink) KvRxStopCapture(engine_);
}

void RxDialog::runEnded(RunKey run) {
    post([this, run] { captureEnded(run); });
}

void RxDialog::frameReported(RunKey run, ReportedFrame frame) {
    post([this, run, frame = std::move(frame)]() mutable {
        if (run != logRun_) return;
        const std::string added = log_.add(std::move(frame));
        if (!added.empty()) appendLog(QString::fromLatin1(added.data(), added.size()));
    });
}

void RxDialog::captureEnded(RunKey run) {
    if (run != run_) return;
    run_ = 0;
    timer_.stop();
    const int64_t good = KvRxGetPacketsGood(engine_);
    time_->setText(QString::number(KvRxGetDurationRead(engine_)));
    totalBytes_->setText(QString::number(KvRxGetTotalBytes(engine_)));
    if (!signalGenerator_) {
        const int64_t bad = KvRxGetPacketsBad(engine_);
        const int64_t lost = KvRxGetPacketsLost(engine_);
        good_->setText(text(good));
        badCount_->setText(text(bad));
        lostCount_->setText(text(lost));
        const int64_t total = good + bad + lost;
        if (total != 0) {
            totalRate_->setText(rateText(bad + lost, total, false));
            if (bad != 0) errorRate_->setText(rateText(bad, total, true));
            if (lost != 0) lostRate_->setText(rateText(lost, total, true));
        }
    } else {
        const TallyWords now = readTally();
        const auto delta = [](int64_t after, int64_t before) {
            return std::max<int64_t>(0, after - before);
        };
        const TallyWords step{
            delta(now.plcpErrors, tally_.plcpErrors), delta(now.fcsErrors, tally_.fcsErrors),
            delta(now.word128, tally_.word128), delta(now.word136, tally_.word136)};
        const SignalGeneratorFigures f =
            signalGeneratorFigures(static_cast<uint32_t>(good), packetCount_, step);
        good_->setText(f.good);
        badCount_->setText(f.bad);
        lostCount_->setText(f.lost);
        if (!f.totalRate.isEmpty()) totalRate_->setText(f.totalRate);
        if (!f.errorRate.isEmpty()) errorRate_->setText(f.errorRate);
        if (!f.lostRate.isEmpty()) lostRate_->setText(f.lostRate);
    }
    setRunning(false);
}

void RxDialog::appendLog(const QString& added) {
    // At the end, wherever the caret is.
    QTextCursor end(logEdit_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(added);
}

void RxDialog::setRunning(bool running) {
    capture_->setEnabled(!running);
    stop_->setEnabled(running);
}

TallyWords RxDialog::readTally() {
    std::array<unsigned char, kTallyBytes> tally{};
    GetNICAdapterTally(adapter_, tally.data());
    return {tallyWord(tally, 96), tallyWord(tally, 120), tallyWord(tally, 128),
            tallyWord(tally, 136)};
}

}  // namespace loopkit::dialogs

#include "tx_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include <field_text.h>

#include <array>

namespace loopkit::dialogs {
namespace {

constexpr int kOnePacketMinLength = 50;
constexpr int kContinueMinLength = 46;  // the shortest typed length with a payload the engine sends
constexpr int kMaxLength = 1500;
constexpr int kHeaderMinusTyped = 10;  // payload = typed length - 10; the frame is length + 14
constexpr int kMaxInterval = 60000;
constexpr long long kMaxFrameCount = 4294967295LL;
constexpr int kCustomPatternChars = 299;

struct RateRadio {
    int id;
    const char* caption;
    int code;
};
constexpr std::array<RateRadio, 4> kRates{{
    {1258, "1M", 1},
    {1259, "2M", 2},
    {1260, "5.5M", 4},
    {1261, "11M", 8},
}};
constexpr int kPreambleLong = 1;
constexpr int kPreambleShort = 2;

}  // namespace

TxDialog::TxDialog(WLAdapterInfo* adapter) : TestDialog(QStringLiteral("Tx")), adapter_(adapter) {
    engine_ = KvTxCreate(adapter);

    auto* patternBox = new QGroupBox(QStringLiteral("Tx Pattern Control"), this);
    auto* patternGrid = new QGridLayout(patternBox);
    patterns_ = new QButtonGroup(this);
    const char* patternCaptions[] = {"0000...",  "FFFF...", "1234...",
                                     "Sequence", "Random",  "Custum"};
    for (int code = 0; code < 6; ++code) {
        const QString caption = QString::fromLatin1(patternCaptions[code]);
        auto* radio = named(new QRadioButton(caption, patternBox), 1252 + code, caption);
        patterns_->addButton(radio, code);
        patternGrid->addWidget(radio, code, 0);
    }
    fill_ = edit(1312, QStringLiteral("Sequence"), QStringLiteral("0"));
    custom_ = edit(1246, QStringLiteral("Custum"));
    custom_->setMaxLength(kCustomPatternChars);
    patternGrid->addWidget(fill_, 3, 1);
    patternGrid->addWidget(custom_, 5, 1);

    auto* rateBox = new QGroupBox(QStringLiteral("Tx Bit Rate"), this);
    auto* rateLayout = new QHBoxLayout(rateBox);
    const int queriedRate = QueryWL_TxRateControl(adapter_);
    for (const RateRadio& r : kRates) {
        const QString caption = QString::fromLatin1(r.caption);
        auto* radio = named(new QRadioButton(caption, rateBox), r.id, caption);
        radio->setChecked(queriedRate == r.code);
        rateLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, code = r.code] { setRate(code); });
    }

    auto* preamble = named(new QCheckBox(QStringLiteral("Short Preamble"), this), 1311,
                           QStringLiteral("Short Preamble"));
    preamble->setChecked(QueryWL_PreambleMode(adapter_) == kPreambleShort);
    connect(preamble, &QCheckBox::clicked, this, [this](bool on) { setPreamble(on); });
    crc_ = named(new QCheckBox(QStringLiteral("CRC"), this), 6000, QStringLiteral("CRC"));
    checkLost_ = named(new QCheckBox(QStringLiteral("Check Lost"), this), 1298,
                       QStringLiteral("Check Lost"));
    checkLost_->setChecked(true);
    random_ = named(new QCheckBox(QStringLiteral("Random"), this), 6001, QStringLiteral("Random"));
    reserve_ =
        named(new QCheckBox(QStringLiteral("Reserve"), this), 6002, QStringLiteral("Reserve"));
    reserve_->setEnabled(false);

    interval_ = edit(1248, QStringLiteral("Interval(ms)"), QStringLiteral("0"));
    length_ = edit(1249, QStringLiteral("Length"), QStringLiteral("1500"));
    count_ = edit(1250, QStringLiteral("Packets send"), QStringLiteral("3000"));
    destination_ =
        edit(1027, QStringLiteral("Desitnation MAC Address"), QStringLiteral("FF FF FF FF FF FF"));
    auto* local = edit(1028, QStringLiteral("Local MAC Address"));
    local->setReadOnly(true);
    MacBytes mac{};
    GetNICAdapterMAC(adapter_, mac.data());
    local->setText(QString::fromStdString(formatAddressText(mac)));

    onePacket_ =
        named(new QPushButton(QStringLiteral("1 PACKET"), this), 1251, QStringLiteral("1 PACKET"));
    continueSend_ = named(new QPushButton(QStringLiteral("Continue Send"), this), 1267,
                          QStringLiteral("Continue Send"));
    stopSend_ = named(new QPushButton(QStringLiteral("Stop Send"), this), 1268,
                      QStringLiteral("Stop Send"));
    for (QPushButton* button : {onePacket_, continueSend_, stopSend_})
        button->setAutoDefault(false);
    stopSend_->setEnabled(false);

    auto* resultBox = new QGroupBox(QStringLiteral("Result"), this);
    auto* resultGrid = new QGridLayout(resultBox);
    sent_ = figure(1262, QStringLiteral("Packets Sent"));
    duration_ = figure(1263, QStringLiteral("Send Duration"));
    rate_ = figure(1264, QStringLiteral("Tx Rate"));
    resultGrid->addWidget(new QLabel(QStringLiteral("Packets Sent"), resultBox), 0, 0);
    resultGrid->addWidget(sent_, 0, 1);
    resultGrid->addWidget(new QLabel(QStringLiteral("Send Duration"), resultBox), 1, 0);
    resultGrid->addWidget(duration_, 1, 1);
    resultGrid->addWidget(new QLabel(QStringLiteral("Tx Rate"), resultBox), 2, 0);
    resultGrid->addWidget(rate_, 2, 1);
    resultGrid->addWidget(new QLabel(QStringLiteral("Bytes/s"), resultBox), 2, 2);

    auto* fields = new QGridLayout;
    const auto row = [&](int at, const QString& caption, QWidget* field, QWidget* extra = nullptr) {
        fields->addWidget(new QLabel(caption, this), at, 0);
        fields->addWidget(field, at, 1);
        if (extra != nullptr) fields->addWidget(extra, at, 2);
    };
    row(0, QStringLiteral("Interval(ms)"), interval_);
    row(1, QStringLiteral("Length"), length_, random_);
    row(2, QStringLiteral("Packets send"), count_);
    row(3, QStringLiteral("Desitnation MAC Address"), destination_);
    row(4, QStringLiteral("Local MAC Address"), local);
    auto* checks = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{preamble, crc_, checkLost_, reserve_})
        checks->addWidget(w);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {onePacket_, continueSend_, stopSend_})
        buttons->addWidget(button);

    auto* left = new QVBoxLayout;
    left->addWidget(patternBox);
    left->addWidget(rateBox);
    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addLayout(checks);
    right->addWidget(resultBox);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);

    patterns_->button(0)->setChecked(true);
    connect(count_, &QLineEdit::textEdited, this, [this](const QString& text) {
        onePacket_->setText(QStringLiteral("%1 Packet Send").arg(text));
    });
    connect(onePacket_, &QPushButton::clicked, this, [this] { send(true); });
    connect(continueSend_, &QPushButton::clicked, this, [this] { send(false); });
    connect(stopSend_, &QPushButton::clicked, this, [this] { KvTxSendStop(engine_); });
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

TxDialog::~TxDialog() {
    RoutineHub::instance().forget(this);
    KvTxClose(engine_);
}

void TxDialog::setRate(int code) {
    SetWL_TxRateControl(adapter_, code);
    SetWL_RestartNIC(adapter_);
}

void TxDialog::setPreamble(bool shortPreamble) {
    SetWL_PreambleMode(adapter_, shortPreamble ? kPreambleShort : kPreambleLong);
    SetWL_RestartNIC(adapter_);
}

void TxDialog::send(bool counted) {
    if (run_ != 0) return;
    sent_->setText(QStringLiteral("0"));
    duration_->setText(QStringLiteral("0"));
    rate_->setText(QStringLiteral("0"));
    rates_.reset();

    const int code = patterns_->checkedId();
    if (code == 5) {
        const QByteArray text = fieldBytes(custom_->text(), kCustomPatternChars);
        if (!KvTxSetPattern(engine_, text.constData(), static_cast<int>(text.size()))) return;
    }
    int payload = 0;  // random
    if (!random_->isChecked()) {
        const FieldValue length =
            checkNumberField(length_->text().toStdString(),
                             counted ? kOnePacketMinLength : kContinueMinLength, kMaxLength);
        if (!length.ok()) return showMessage(QString::fromStdString(length.message));
        payload = static_cast<int>(length.value) - kHeaderMinusTyped;
    }
    long long count = 0;  // until stopped
    if (counted) {
        const FieldValue frames = checkNumberField(count_->text().toStdString(), 0, kMaxFrameCount);
        if (!frames.ok()) return showMessage(QString::fromStdString(frames.message));
        count = frames.value;
    }
    const FieldValue interval = checkNumberField(interval_->text().toStdString(), 0, kMaxInterval);
    if (!interval.ok()) return showMessage(QString::fromStdString(interval.message));
    unsigned char fill = 0;
    if (code == 3) {
        const FieldValue first = checkNumberField(fill_->text().toStdString(), 0, 255);
        if (!first.ok()) return showMessage(QString::fromStdString(first.message));
        fill = static_cast<unsigned char>(first.value);
    }
    const MacBytes dest = parseAddressText(destination_->text().toStdString());

    RoutineHub& hub = RoutineHub::instance();
    const RunKey run = hub.begin(this);
    if (!KvTxSend(engine_, code, reinterpret_cast<const char*>(dest.data()), payload,
                  static_cast<unsigned long>(count), static_cast<int>(interval.value),
                  checkLost_->isChecked(), crc_->isChecked(), reserve_->isChecked(), fill,
                  &RoutineHub::completionRoutine, RoutineHub::routineArgument(run))) {
        hub.release(run);
        return;
    }
    run_ = run;
    setRunning(true);
    timer_.start();
}

void TxDialog::tick() {
    sent_->setText(QString::number(KvTxGetPacketSent(engine_)));
    const unsigned int duration = KvTxGetSendDuration(engine_);
    duration_->setText(QString::number(duration));
    if (const auto rate = rates_.next(KvTxGetTotalBytes(engine_), duration))
        rate_->setText(QString::number(*rate));
}

void TxDialog::runEnded(RunKey run) {
    post([this, run] { sendEnded(run); });
}

void TxDialog::sendEnded(RunKey run) {
    RoutineHub::instance().release(run);
    if (run != run_) return;
    run_ = 0;
    timer_.stop();
    sent_->setText(QString::number(KvTxGetPacketSent(engine_)));
    duration_->setText(QString::number(KvTxGetSendDuration(engine_)));
    setRunning(false);
}

void TxDialog::setRunning(bool running) {
    stopSend_->setEnabled(running);
    onePacket_->setEnabled(!running);
    continueSend_->setEnabled(!running);
}

}  // namespace loopkit::dialogs

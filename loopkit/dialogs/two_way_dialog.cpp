#include "two_way_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <field_text.h>

namespace loopkit::dialogs {

TwoWayDialog::TwoWayDialog(WLAdapterInfo* adapter) : TestDialog(QStringLiteral("2 Way Test")) {
    // The test's news comes on its control thread: hand it to the window thread.
    TwoWayTest::Events events;
    events.runningChanged = [this](bool running) {
        post([this, running] {
            start_->setEnabled(!running);
            stop_->setEnabled(running);
        });
    };
    events.streamStarted = [this] { post([this] { timer_.start(); }); };
    // The stream's last counters, read before the stop frame's send restarts them.
    events.streamEnded = [this] {
        if (TwoWayTest* test = live_.load()) {
            post([this, last = test->counters()] { streamEnded(last); });
        }
    };
    test_ = std::make_unique<TwoWayTest>(adapter, std::move(events));
    live_ = test_.get();

    server_ =
        named(new QRadioButton(QStringLiteral("Server"), this), 1301, QStringLiteral("Server"));
    auto* client =
        named(new QRadioButton(QStringLiteral("Client"), this), 1302, QStringLiteral("Client"));
    client->setChecked(true);
    length_ = edit(1305, QStringLiteral("Length"), QStringLiteral("1024"));
    start_ = named(new QPushButton(QStringLiteral("Start"), this), 1303, QStringLiteral("Start"));
    stop_ = named(new QPushButton(QStringLiteral("Stop"), this), 1268, QStringLiteral("Stop"));
    start_->setAutoDefault(false);
    stop_->setAutoDefault(false);
    stop_->setEnabled(false);

    const struct {
        int id;
        const char* caption;
        QLabel** label;
    } figures[] = {
        {1306, "Sent Frames", &sent_},     {1307, "Received Frames", &received_},
        {1308, "Time Elapsed", &elapsed_}, {1264, "Tx Rate", &txRateLabel_},
        {1294, "Rx Rate", &rxRateLabel_},  {1309, "Rx Bad", &bad_},
        {1310, "Rx Lost", &lost_},
    };
    auto* results = new QGridLayout;
    int row = 0;
    for (const auto& f : figures) {
        const QString caption = QString::fromLatin1(f.caption);
        *f.label = figure(f.id, caption);
        results->addWidget(new QLabel(caption, this), row, 0);
        results->addWidget(*f.label, row, 1);
        ++row;
    }

    auto* roles = new QHBoxLayout;
    roles->addWidget(server_);
    roles->addWidget(client);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(new QLabel(QStringLiteral("Length"), this));
    lengthRow->addWidget(length_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    auto* top = new QVBoxLayout(this);
    top->addLayout(roles);
    top->addLayout(lengthRow);
    top->addLayout(results);
    top->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, [this] { start(); });
    connect(stop_, &QPushButton::clicked, this, [this] { test_->stop(); });
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
}

TwoWayDialog::~TwoWayDialog() {
    live_ = nullptr;
    // Stops what runs and closes the engines; news already posted is dropped with the dialog.
    test_.reset();
}

void TwoWayDialog::start() {
    const FieldValue length =
        checkNumberField(length_->text().toStdString(), kTwoWayMinLength, kTwoWayMaxLength);
    if (!length.ok()) return showMessage(QString::fromStdString(length.message));
    for (QLabel* label : {sent_, received_, elapsed_, txRateLabel_, rxRateLabel_, bad_, lost_})
        label->setText(QStringLiteral("0"));
    rxRate_.reset();
    txRate_.reset();
    test_->start(server_->isChecked() ? TwoWayTest::Role::Server : TwoWayTest::Role::Client,
                 static_cast<int>(length.value));
}

void TwoWayDialog::refresh() {
    refresh(test_->counters());
}

void TwoWayDialog::refresh(const TwoWayTest::Counters& c) {
    received_->setText(QString::number(c.good));
    bad_->setText(QString::number(c.bad));
    lost_->setText(QString::number(c.lost));
    sent_->setText(QString::number(c.sent));
    elapsed_->setText(QString::number(c.sendDuration));
    // Both rates over the time the capture advanced; none when it did not.
    if (const auto rx = rxRate_.next(c.receivedBytes, c.receiveDuration))
        rxRateLabel_->setText(QString::number(*rx));
    if (const auto tx = txRate_.next(c.sentBytes, c.receiveDuration))
        txRateLabel_->setText(QString::number(*tx));
}

void TwoWayDialog::streamEnded(const TwoWayTest::Counters& last) {
    timer_.stop();
    refresh(last);
}

}  // namespace loopkit::dialogs

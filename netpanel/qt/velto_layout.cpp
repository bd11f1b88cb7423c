#include "qt/velto_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>

#include "shell/velto.h"

namespace netpanel::qt {

QWidget* Arranger::find(const ui::Control& control) {
    QWidget* widget = lookup_(control);
    if (widget != nullptr) placed_.insert(widget);
    return widget;
}

void Arranger::fail(const ui::Control& control) {
    throw std::logic_error("the window has no fitting widget for " + control.name());
}

namespace {

constexpr int kShortField = 64;    // a channel or a rate
constexpr int kMediumField = 150;  // a MAC address, a counter
constexpr int kFieldWidth = 190;   // a name or a choice
constexpr int kValueWidth = 44;    // the number beside a slider

// The layout of `container`, which owns it.
template <class L>
L& layoutOf(QWidget& container) {
    auto layout = std::make_unique<L>();
    L& result = *layout;
    container.setLayout(layout.release());
    return result;
}

// A layout inside `parent`, which owns it.
template <class L>
L& nested(QBoxLayout& parent) {
    auto layout = std::make_unique<L>();
    L& result = *layout;
    parent.addLayout(layout.release());
    return result;
}

template <class L>
L& nested(QGridLayout& parent, int row, int column, int rowSpan = 1, int columnSpan = 1) {
    auto layout = std::make_unique<L>();
    L& result = *layout;
    parent.addLayout(layout.release(), row, column, rowSpan, columnSpan);
    return result;
}

// A row of a label and its field; the field gets `width` pixels at most (0: all it can).
void fieldRow(QGridLayout& grid, int row, QWidget& label, QWidget& field, int width = 0) {
    grid.addWidget(&label, row, 0);
    if (width > 0) field.setFixedWidth(width);
    grid.addWidget(&field, row, 1, Qt::AlignLeft);
    if (width == 0) field.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QGridLayout& formGrid(QWidget& container) {
    auto& grid = layoutOf<QGridLayout>(container);
    grid.setColumnStretch(1, 1);
    grid.setHorizontalSpacing(10);
    return grid;
}

// Buttons in a row, left-aligned; `trailing` sits at the right end.
void buttonRow(QBoxLayout& parent, std::initializer_list<QWidget*> buttons,
               QWidget* trailing = nullptr) {
    auto& row = nested<QHBoxLayout>(parent);
    for (QWidget* button : buttons)
        row.addWidget(button);
    row.addStretch();
    if (trailing != nullptr) row.addWidget(trailing);
}

void arrangeLinkInfo(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& grid = nested<QGridLayout>(top);
    grid.setColumnStretch(1, 1);
    grid.setHorizontalSpacing(10);
    grid.addWidget(&w(v.lblInfoState), 0, 0);
    grid.addWidget(&w(v.AdapterList), 0, 1);
    const std::pair<const ui::Control*, const ui::Control*> rows[] = {
        {&v.lblInfoSSID, &v.SSIDStatus},
        {&v.lblInfoChannel, &v.ChannelStatus},
        {&v.lblTransferRate, &v.TxRateStatus},
        {&v.lblInfoMAC, &v.MACStatus},
    };
    const int widths[] = {kFieldWidth, kShortField, kShortField, kMediumField};
    for (int row = 0; row < 4; ++row) {
        grid.addWidget(&w(*rows[row].first), row + 1, 0);
        auto& fieldRow = nested<QHBoxLayout>(grid, row + 1, 1);
        auto& field = w(*rows[row].second);
        field.setFixedWidth(widths[row]);
        fieldRow.addWidget(&field);
        if (rows[row].second == &v.TxRateStatus) fieldRow.addWidget(&w(v.lblInfoMbps));
        fieldRow.addStretch();
    }

    auto& link = nested<QGridLayout>(top);
    link.setColumnStretch(1, 1);
    link.addWidget(&w(v.LinkQuality), 0, 0);
    link.addWidget(&w(v.LinkStatusPB), 0, 1);
    link.addWidget(&w(v.LinkStrengthLabel), 1, 0);
    link.addWidget(&w(v.LinkStrengthPB), 1, 1);
    link.addWidget(&w(v.DisplayUnit), 1, 2);
    w(v.LinkQuality).setMinimumWidth(200);

    auto& bottom = nested<QHBoxLayout>(top);
    auto& throughput = w.as<QGroupBox>(v.fmInfoThroughput);
    auto& frames = layoutOf<QHBoxLayout>(throughput);
    for (auto [frame, count] :
         {std::pair{&v.fmInfoTx, &v.TxFrameStatus}, std::pair{&v.fmInfoRx, &v.RxFrameStatus}}) {
        auto& box = w.as<QGroupBox>(*frame);
        layoutOf<QVBoxLayout>(box).addWidget(&w(*count));
        w(*count).setFixedWidth(kMediumField - 30);
        frames.addWidget(&box);
    }
    bottom.addWidget(&throughput);
    bottom.addStretch();
    bottom.addWidget(&w(v.CmdInfoScan), 0, Qt::AlignBottom);
    top.addStretch();
}

void arrangeConfiguration(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& profile = w.as<QGroupBox>(v.fmConfProfile);
    auto& profileRow = layoutOf<QHBoxLayout>(profile);
    profileRow.addWidget(&w(v.Profilename), 1);
    for (const ui::Control* button : {static_cast<const ui::Control*>(&v.CmdConfActivate),
                                      static_cast<const ui::Control*>(&v.cmdConfCreate),
                                      static_cast<const ui::Control*>(&v.cmdConfRemove)}) {
        profileRow.addWidget(&w(*button));
    }
    top.addWidget(&profile);

    auto& settings = w.as<QGroupBox>(v.fmConfConf);
    auto& grid = formGrid(settings);
    fieldRow(grid, 0, w(v.lblConfOpMode), w(v.NetworkType), kFieldWidth);
    fieldRow(grid, 1, w(v.lblConfSSID), w(v.SetSSID), kFieldWidth);
    fieldRow(grid, 2, w(v.lblConfChannel), w(v.Channel), kFieldWidth);
    fieldRow(grid, 3, w(v.lblConfTransferRate), w(v.TxRate), kFieldWidth);
    fieldRow(grid, 4, w(v.lblConfPwSaving), w(v.CombConfPSMode), kFieldWidth);
    top.addWidget(&settings);

    buttonRow(top, {&w(v.cmdConfApply), &w(v.cmdConfUndo), &w(v.cmdConfRestore)}, &w(v.CancelCFG));
    top.addStretch();
}

void arrangeSiteSurvey(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& text = w.as<QLabel>(v.lblSiteText);
    text.setWordWrap(true);
    top.addWidget(&text);
    auto& list = w.as<QTreeWidget>(v.SiteSurveyListView);
    list.setMinimumHeight(150);
    // BSSID to BSS Type fit their texts and the SSID takes the rest: the rows never need a
    // horizontal scroll bar.
    QHeaderView& header = *list.header();
    header.setStretchLastSection(false);
    header.setSectionResizeMode(QHeaderView::ResizeToContents);
    header.setSectionResizeMode(0, QHeaderView::Stretch);
    top.addWidget(&list, 1);
    auto& row = nested<QHBoxLayout>(top);
    row.addStretch();
    row.addWidget(&w(v.Rescan));
    row.addWidget(&w(v.ConnectButton));
}

QGroupBox& wepKeyEntry(const Velto& v, Arranger& w) {
    auto& wep = w.as<QGroupBox>(v.WepKeyInf);
    auto& grid = formGrid(wep);
    auto& keyType = w.as<QGroupBox>(v.fmKeyType);
    keyType.setFlat(true);
    auto& types = layoutOf<QHBoxLayout>(keyType);
    types.setContentsMargins(0, 0, 0, 0);
    types.addWidget(&w(v.ASCIIOption));
    types.addWidget(&w(v.HEXOption));
    types.addStretch();
    grid.addWidget(&w(v.KeyTypeLabel), 0, 0);
    grid.addWidget(&keyType, 0, 1);
    const ui::Control* options[] = {&v.DefaultKey1, &v.DefaultKey2, &v.DefaultKey3, &v.DefaultKey4};
    const ui::Control* keys[] = {&v.NetworkKey1, &v.NetworkKey2, &v.NetworkKey3, &v.NetworkKey4};
    for (int k = 0; k < 4; ++k)
        fieldRow(grid, k + 1, w(*options[k]), w(*keys[k]));
    return wep;
}

QGroupBox& profileDetails(const Velto& v, Arranger& w) {
    auto& details = w.as<QGroupBox>(v.fmProfileDetails);
    auto& grid = formGrid(details);
    grid.addWidget(&w(v.Label5), 0, 0);
    auto& methods = nested<QHBoxLayout>(grid, 0, 1);
    for (const ui::Control* option : {&v.OptEAPMD5, &v.OptEAPTLS, &v.OptEAPTTLS}) {
        methods.addWidget(&w(*option));
    }
    methods.addStretch();
    fieldRow(grid, 1, w(v.Label4), w(v.TextEAPLoginName));

    auto& password = w.as<QGroupBox>(v.fmPassword);
    auto& passwordGrid = layoutOf<QGridLayout>(password);
    passwordGrid.addWidget(&w(v.OptEAPInputPW), 0, 0);
    passwordGrid.addWidget(&w(v.TextEAPInputPW), 0, 1);
    passwordGrid.addWidget(&w(v.OptEAPPromptPW), 1, 0, 1, 2);
    passwordGrid.addWidget(&w(v.OptEAPWinPW), 2, 0, 1, 2);
    grid.addWidget(&password, 2, 0, 1, 2);
    grid.addWidget(&w(v.CheckEAPPermitPW), 3, 0, 1, 2);
    return details;
}

void arrangeSecurity(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& columns = nested<QHBoxLayout>(top);

    auto& left = nested<QVBoxLayout>(columns);
    auto& encryption = nested<QHBoxLayout>(left);
    encryption.addWidget(&w(v.lblSecEncryption));
    encryption.addWidget(&w(v.KeyLength));
    encryption.addStretch();
    left.addWidget(&wepKeyEntry(v, w));
    auto& submit = nested<QHBoxLayout>(left);
    submit.addStretch();
    submit.addWidget(&w(v.SubmitSecurity));
    left.addStretch();

    auto& right = nested<QVBoxLayout>(columns);
    auto& check = w.as<QCheckBox>(v.Check802);
    right.addWidget(&check);
    auto& group = w.as<QGroupBox>(v.fm8021x);
    auto& groupLayout = layoutOf<QVBoxLayout>(group);
    auto& profile = nested<QHBoxLayout>(groupLayout);
    profile.addWidget(&w(v.Label3));
    profile.addWidget(&w(v.ComboProfileName), 1);
    profile.addWidget(&w(v.CmdProfile));
    groupLayout.addWidget(&profileDetails(v, w));
    right.addWidget(&group);
    right.addStretch();

    buttonRow(top, {&w(v.cmdSecApply), &w(v.cmdSecUndo), &w(v.cmdSecRestore)}, &w(v.Command3));
}

void thresholdRows(QGridLayout& grid, int row, Arranger& w, const ui::Control& title,
                   const ui::Control& slider, const ui::Control& value) {
    grid.addWidget(&w(title), row, 0, 1, 2);
    grid.addWidget(&w.as<QSlider>(slider), row + 1, 0);
    auto& number = w.as<QLabel>(value);
    number.setFixedWidth(kValueWidth);
    number.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid.addWidget(&number, row + 1, 1);
}

void arrangeAdvanced(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& preamble = nested<QGridLayout>(top);
    preamble.setColumnStretch(1, 1);
    fieldRow(preamble, 0, w(v.Label14), w(v.Preamble), kFieldWidth);

    auto& security = w.as<QGroupBox>(v.frameSecurity);
    fieldRow(formGrid(security), 0, w(v.Label6), w(v.AuthMode), kFieldWidth);
    top.addWidget(&security);

    auto& threshold = w.as<QGroupBox>(v.fmThreshold);
    auto& grid = layoutOf<QGridLayout>(threshold);
    grid.setColumnStretch(0, 1);
    thresholdRows(grid, 0, w, v.lblFragmentTitle, v.SetFragment, v.lblFragment);
    thresholdRows(grid, 2, w, v.lblCTSRTSTitle, v.SetRTS_CTS, v.lblRTS_CTS);
    top.addWidget(&threshold);

    buttonRow(top, {&w(v.cmdAdvApply), &w(v.cmdAdvUndo), &w(v.cmdAdvRestore)});
    top.addStretch();
}

void arrangeAbout(const Velto& v, Arranger& w, QWidget& page) {
    auto& top = layoutOf<QVBoxLayout>(page);
    auto& branding = nested<QHBoxLayout>(top);
    branding.addWidget(&w(v.imgLogo));
    auto& title = w.as<QLabel>(v.Label1);
    QFont bold = title.font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    title.setFont(bold);
    branding.addWidget(&title, 1);

    auto& versions = nested<QHBoxLayout>(top);
    const std::tuple<const ui::Frame*, const ui::Label*, const ui::Label*> frames[] = {
        {&v.fmDriver, &v.Label2, &v.DriverVersionSN},
        {&v.fmUtility, &v.Label8, &v.Label7},
        {&v.fmFirmware, &v.Label15, &v.FirmwareVersion},
    };
    for (const auto& [frame, caption, value] : frames) {
        auto& box = w.as<QGroupBox>(*frame);
        auto& row = layoutOf<QHBoxLayout>(box);
        row.addWidget(&w(*caption));
        row.addWidget(&w(*value), 1);
        versions.addWidget(&box);
    }
    auto& warning = w.as<QLabel>(v.lblWarning);
    warning.setWordWrap(true);
    top.addWidget(&warning);
    top.addStretch();
}

}  // namespace

void arrangeVelto(const Velto& velto, Arranger& widgets, QWidget& window, QTabWidget& tabs) {
    using Arrange = void (*)(const Velto&, Arranger&, QWidget&);
    constexpr Arrange kPages[] = {arrangeLinkInfo, arrangeConfiguration, arrangeSiteSurvey,
                                  arrangeSecurity, arrangeAdvanced,      arrangeAbout};
    for (int tab = 0; tab < tabs.count() && tab < 6; ++tab) {
        kPages[tab](velto, widgets, *tabs.widget(tab));
    }
    auto& top = layoutOf<QVBoxLayout>(window);
    top.addWidget(&widgets(velto.SSTab1));
    auto& buttons = nested<QHBoxLayout>(top);
    buttons.addStretch();
    for (const ui::Control* button : {&velto.Submit, &velto.Command4, &velto.HelpButton}) {
        auto& push = widgets.as<QPushButton>(*button);
        push.setMinimumWidth(80);
        buttons.addWidget(&push);
    }
    for (const ui::Control* picture : {&velto.Picture1, &velto.Picture2, &velto.Picture3}) {
        widgets(*picture);  // invisible: no place in the layout
    }
}

}  // namespace netpanel::qt

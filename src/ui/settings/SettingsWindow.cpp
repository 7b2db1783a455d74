#include "ui/settings/SettingsWindow.h"

#include "controller/PlayerController.h"
#include "ui/settings/FadesSettingsTab.h"
#include "ui/settings/InterfaceSettingsTab.h"
#include "ui/settings/OutputSettingsTab.h"
#include "ui/settings/PlaybackSettingsTab.h"
#include "ui/settings/ProcessingSettingsTab.h"
#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr int kTabAreaWidth = 460;
constexpr int kTabAreaHeight = 500;

// Compact tabs, so that all five fit the tab area's width side by side.
const QString kTabStyle =
    QStringLiteral("QTabBar::tab { padding: 4px 2px; margin: 0 1px; border-radius: 6px;"
                   " background: %1; color: %2; font-size: 12px; }"
                   "QTabBar::tab:selected { background: %3; color: %4; }");
// Cancel plain, Save prominent.
const QString kButtonStyle =
    QStringLiteral("QPushButton { padding: 4px 16px; border-radius: 5px; border: 1px solid %1;"
                   " background: %2; color: %3; }"
                   "QPushButton:pressed { background: %4; }");

} // namespace

SettingsWindow::SettingsWindow(PlayerController& player,
                               std::shared_ptr<OutputDeviceManager> devices, QWidget* parent)
    : QDialog(parent), player_(player), tabBar_(new QTabBar), pages_(new QStackedWidget),
      playback_(new PlaybackSettingsTab(player)), fades_(new FadesSettingsTab(player)),
      processing_(new ProcessingSettingsTab(player)),
      output_(new OutputSettingsTab(player, std::move(devices))),
      interface_(new InterfaceSettingsTab(player)),
      cancel_(new QPushButton(QStringLiteral("Cancel"))),
      save_(new QPushButton(QStringLiteral("Save"))) {
    setWindowTitle(QStringLiteral("Orvane Settings"));
    setPalette(Theme::darkPalette());
    setModal(false);

    const struct {
        QWidget* page;
        const char* symbol;
        const char* title;
    } tabs[] = {{playback_, "play.circle", "Playback"},
                {fades_, "waveform", "Fades"},
                {processing_, "dial.high", "Processing"},
                {output_, "hifispeaker", "Output"},
                {interface_, "slider.horizontal.3", "Interface"}};
    for (const auto& tab : tabs) {
        tabBar_->addTab(Icons::symbolIcon(QString::fromLatin1(tab.symbol), Theme::text),
                        QString::fromLatin1(tab.title));
        pages_->addWidget(tab.page);
    }
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    tabBar_->setUsesScrollButtons(false);
    tabBar_->setIconSize(QSize(14, 14));
    tabBar_->setStyleSheet(kTabStyle.arg(Theme::steel.name(), Theme::textDim.name(),
                                         Theme::steelLight.name(), Theme::text.name()));
    connect(tabBar_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);

    auto* tabArea = new QWidget;
    tabArea->setFixedSize(kTabAreaWidth, kTabAreaHeight);
    auto* tabRow = new QHBoxLayout;
    tabRow->addStretch(1);
    tabRow->addWidget(tabBar_);
    tabRow->addStretch(1);
    auto* tabStack = new QVBoxLayout(tabArea);
    tabStack->setContentsMargins(0, 10, 0, 0);
    tabStack->setSpacing(4);
    tabStack->addLayout(tabRow);
    tabStack->addWidget(pages_, 1);

    // Return saves; nothing else in the window takes it.
    save_->setDefault(true);
    save_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    cancel_->setStyleSheet(kButtonStyle.arg(Theme::steelLight.name(), Theme::steel.name(),
                                            Theme::text.name(), Theme::panelBlack.name()));
    save_->setStyleSheet(kButtonStyle.arg(Theme::selection.lighter(130).name(),
                                          Theme::selection.name(), QStringLiteral("white"),
                                          Theme::selection.darker(130).name()));
    connect(save_, &QPushButton::clicked, this, &SettingsWindow::save);
    connect(cancel_, &QPushButton::clicked, this, &SettingsWindow::cancel);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(20, 12, 20, 12);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(save_);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->setSizeConstraint(QLayout::SetFixedSize);
    stack->addWidget(tabArea);
    stack->addLayout(buttons);

    settingsChanged_ =
        player_.settings.subscribe([this](const AppSettings& s) { showSettings(s); });

    // The keys tabbed windows answer to elsewhere on the desktop.
    const int tabCount = tabBar_->count();
    connect(
        new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
        [this, tabCount] { tabBar_->setCurrentIndex((tabBar_->currentIndex() + 1) % tabCount); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this),
            &QShortcut::activated, this, [this, tabCount] {
                tabBar_->setCurrentIndex((tabBar_->currentIndex() + tabCount - 1) % tabCount);
            });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::showTab(Tab tab) {
    tabBar_->setCurrentIndex(static_cast<int>(tab));
}

QWidget* SettingsWindow::currentTab() const {
    return pages_->currentWidget();
}

void SettingsWindow::present() {
    if (!isVisible()) {
        snapshot_ = player_.settings.get();
        showSettings(*snapshot_);
    }
    show();
    raise();
    activateWindow();
}

void SettingsWindow::save() {
    player_.saveSettings();
    snapshot_.reset();
    QDialog::accept();
}

void SettingsWindow::cancel() {
    if (snapshot_)
        player_.restoreSettings(*snapshot_);
    snapshot_.reset();
    QDialog::reject();
}

void SettingsWindow::reject() {
    snapshot_.reset();
    QDialog::reject();
}

void SettingsWindow::showSettings(const AppSettings& s) {
    playback_->showSettings(s);
    fades_->showSettings(s);
    processing_->showSettings(s);
    output_->showSettings(s);
    interface_->showSettings(s);
}

} // namespace orvane

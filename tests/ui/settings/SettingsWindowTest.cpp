#include "ui/settings/SettingsWindow.h"

#include "ui/UiTestSupport.h"
#include "ui/settings/DeviceListFetch.h"
#include "ui/settings/FadesSettingsTab.h"
#include "ui/settings/InterfaceSettingsTab.h"
#include "ui/settings/OutputSettingsTab.h"
#include "ui/settings/PlaybackSettingsTab.h"
#include "ui/settings/ProcessingSettingsTab.h"
#include "ui/settings/SettingsControls.h"

#include <atomic>
#include <memory>

#include <QComboBox>
#include <QPushButton>

namespace orvane::test {
namespace {

// Two devices; listing waits while the gate is closed (it is called from the window's
// background thread).
class GatedDevices final : public OutputDeviceManager {
public:
    std::vector<OutputDevice> listOutputDevices() override {
        open.wait(false);
        return {{1, "sink-a", "Speakers"}, {2, "sink-b", "Headphones"}};
    }
    void setOpen(bool value) {
        open = value;
        open.notify_all();
    }

private:
    std::atomic<bool> open = true;
};

// What the user does with a menu: pick an entry.
void choose(QComboBox& menu, int entry) {
    menu.setCurrentIndex(entry);
    emit menu.activated(entry);
}

QStringList entries(const QComboBox& menu) {
    QStringList texts;
    for (int i = 0; i < menu.count(); ++i)
        texts << menu.itemText(i);
    return texts;
}

class SettingsWindowTest : public QtAppTest {
protected:
    // Starts with `initial` and one track whose trims are measured.
    void start(const AppSettings& initial = {}) {
        PersistedState state = PersistedState::fresh();
        state.settings = initial;
        Track track(Uuid::random(), "/nowhere/a.wav", "Artist", "Song");
        track.trimStart = 1.5;
        track.trimEnd = 100.0;
        state.playlists.front().tracks.push_back(track);
        player = makePlayer(loop, state);
        window = std::make_unique<SettingsWindow>(*player, devices);
    }
    ~SettingsWindowTest() override {
        devices->setOpen(true); // a listing under way ends and finds its window gone
        window.reset();
        player.reset();
    }
    // Shows the Output tab and lets its device list arrive.
    void openOutputTab() {
        window->showTab(SettingsWindow::outputTabIndex);
        window->outputTab().deviceFetch().waitUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
    const AppSettings& settings() { return player->settings.get(); }
    const Track& track() { return player->activePlaylist()->tracks.front(); }

    ManualMainLoop loop;
    std::shared_ptr<GatedDevices> devices = std::make_shared<GatedDevices>();
    std::unique_ptr<PlayerController> player;
    std::unique_ptr<SettingsWindow> window;
};

TEST_F(SettingsWindowTest, CancelPutsBackEveryTabAtOnce) {
    AppSettings initial;
    initial.outputDeviceUID = "sink-a";
    start(initial);
    window->present();
    ASSERT_TRUE(window->isVisible());
    const AppSettings before = settings();

    // One change in every tab; each is live at once.
    click(&window->playbackTab().resumeSwitch(),
          window->playbackTab().resumeSwitch().rect().center());
    EXPECT_TRUE(settings().resumeOnStartup);
    window->fadesTab().fadeSwitch(FadesSettingsTab::stop).click();
    window->fadesTab().lengthSlider(FadesSettingsTab::stop).setValue(19); // 50 + 19 x 50
    EXPECT_TRUE(settings().fadeStopOn);
    EXPECT_DOUBLE_EQ(settings().fadeStopMs, 1000.0);
    window->processingTab().compressorSwitch().click();
    choose(window->processingTab().styleMenu(), 2);
    EXPECT_TRUE(settings().compOn);
    EXPECT_EQ(settings().compPreset, CompressorPreset::radio);
    openOutputTab();
    QComboBox& deviceMenu = window->outputTab().deviceMenu();
    EXPECT_EQ(entries(deviceMenu), (QStringList{"System default", "Speakers", "Headphones"}));
    choose(deviceMenu, 0); // the system default clears the stored device
    EXPECT_FALSE(settings().outputDeviceUID.has_value());
    choose(deviceMenu, 2);
    EXPECT_EQ(settings().outputDeviceUID, "sink-b");
    choose(window->interfaceTab().visualizationMenu(), 1);
    window->interfaceTab().wordmarkSwitch().click();
    EXPECT_EQ(settings().visualization, VisualizationMode::scope);
    EXPECT_TRUE(settings().showWordmarkIcon);

    // Opening the open window again does not move the point Cancel returns to.
    window->present();
    EXPECT_EQ(window->snapshot(), before);

    window->cancelButton().click();
    EXPECT_EQ(settings(), before);
    EXPECT_FALSE(window->isVisible());
    // The controls show the restored record.
    EXPECT_FALSE(window->playbackTab().resumeSwitch().isChecked());
    EXPECT_FALSE(window->fadesTab().fadeSwitch(FadesSettingsTab::stop).isChecked());
    EXPECT_EQ(window->fadesTab().lengthText(FadesSettingsTab::stop), "250 ms");
    EXPECT_EQ(deviceMenu.currentIndex(), 1);
    EXPECT_EQ(window->interfaceTab().visualizationMenu().currentText(), "VU meter");
}

TEST_F(SettingsWindowTest, SwitchesReachTheEngineAtOnceAndSaveOrTheCloseBoxKeepsThem) {
    start();
    window->present();
    window->playbackTab().gaplessSwitch().click();
    EXPECT_FALSE(settings().gapless);
    EXPECT_FALSE(player->engine().gaplessEnabled); // heard at once, not from the next start
    ProcessingSettingsTab& processing = window->processingTab();
    ASSERT_TRUE(player->engine().compressorBypassed());
    processing.compressorSwitch().click();
    EXPECT_FALSE(processing.styleRow().isHidden());
    EXPECT_FALSE(player->engine().compressorBypassed());
    // A fade that is off still takes a new length, and stays off.
    FadesSettingsTab& fades = window->fadesTab();
    fades.lengthSlider(FadesSettingsTab::trackChange).setValue(0);
    EXPECT_DOUBLE_EQ(settings().fadeChangeMs, 50.0);
    EXPECT_FALSE(settings().fadeChangeOn);

    window->saveButton().click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(settings().gapless);
    EXPECT_TRUE(player->savePending());

    window->present();
    choose(window->playbackTab().closeMenu(), 1);
    EXPECT_TRUE(settings().quitOnClose);
    window->close();
    EXPECT_TRUE(settings().quitOnClose);
    // A Cancel after the window was closed has nothing to put back.
    window->cancel();
    EXPECT_TRUE(settings().quitOnClose);
}

TEST_F(SettingsWindowTest, TrimRowsShowWholeStepsForgetMeasuredTrimsAndHideWithoutLoss) {
    AppSettings initial;
    initial.trimSilence = true;
    initial.trimThresholdDb = -60.4;
    initial.trimMaxSec = 5.9;
    start(initial);
    window->present();
    PlaybackSettingsTab& tab = window->playbackTab();
    EXPECT_EQ(tab.thresholdRow().valueText(), "-60 dB");
    EXPECT_EQ(tab.maxTrimRow().valueText(), "5 s");

    // Moving a slider stores a whole step and forgets the measured trims.
    tab.thresholdRow().slider().setValue(45); // -90 + 45
    EXPECT_DOUBLE_EQ(settings().trimThresholdDb, -45.0);
    EXPECT_EQ(tab.thresholdRow().valueText(), "-45 dB");
    EXPECT_FALSE(track().trimStart.has_value());

    tab.trimSwitch().click();
    EXPECT_FALSE(settings().trimSilence);
    EXPECT_TRUE(tab.thresholdRow().isHidden());
    EXPECT_TRUE(tab.maxTrimRow().isHidden());
    EXPECT_DOUBLE_EQ(settings().trimThresholdDb, -45.0);
    EXPECT_DOUBLE_EQ(settings().trimMaxSec, 5.9);
}

TEST_F(SettingsWindowTest, ADeviceListArrivingAfterTheWindowClosedChangesNothing) {
    start();
    devices->setOpen(false);
    window->present();
    window->showTab(SettingsWindow::outputTabIndex);
    window->close();
    devices->setOpen(true);
    window->outputTab().deviceFetch().waitUntilIdle();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(entries(window->outputTab().deviceMenu()), QStringList{"System default"});
    EXPECT_TRUE(window->outputTab().devices().empty());

    // Shown again, the tab asks again and takes the answer.
    window->present();
    window->outputTab().deviceFetch().waitUntilIdle();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window->outputTab().deviceMenu().count(), 3);

    // An answer that is still queued when the window goes is dropped with it.
    window->close();
    window->present();
    window->outputTab().deviceFetch().waitUntilIdle();
    window.reset();
    QCoreApplication::sendPostedEvents();

    // A window closed while the server hangs goes at once; the listing ends on its own
    // thread later and finds nothing to deliver to.
    start();
    devices->setOpen(false);
    window->present();
    window->showTab(SettingsWindow::outputTabIndex);
    window.reset(); // would wait forever for the gate if it joined the listing
    devices->setOpen(true);
    QCoreApplication::sendPostedEvents();
}

} // namespace
} // namespace orvane::test

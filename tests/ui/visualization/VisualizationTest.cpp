#include "ui/UiTestSupport.h"
#include "ui/visualization/LEDMeterView.h"
#include "ui/visualization/VUMeterView.h"
#include "ui/visualization/VisualizationBox.h"

#include <memory>
#include <vector>

#include <QEvent>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// --- The pure rules ---

TEST(LEDMeterRules, LevelsLightNothingAtTheBottomEverythingAtTheTopAndTheHoldLEDFollows) {
    EXPECT_EQ(LEDMeterView::litCount(-45.0), 0);
    EXPECT_EQ(LEDMeterView::litCount(-15.0), 12);
    EXPECT_EQ(LEDMeterView::litCount(6.0), 24);
    // The hold LED appears only above half a decibel over the bottom.
    EXPECT_EQ(LEDMeterView::holdIndex(-29.5), std::nullopt);
    EXPECT_EQ(LEDMeterView::holdIndex(-29.4), 0); // the lowest LED, not index -1
    EXPECT_EQ(LEDMeterView::holdIndex(3.0), 23);
}

// --- The box on a real controller ---

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

class VisualizationBoxTest : public test::QtAppTest {
protected:
    void start(VisualizationMode mode) {
        player->settings.modify([&](AppSettings& s) { s.visualization = mode; });
        box = std::make_unique<VisualizationBox>(*player);
        counter = std::make_unique<PaintCounter>(box.get());
        box->show();
        settle();
    }
    // Delivers pending repaints; returns how many paints that made.
    int settle() {
        counter->count = 0;
        QApplication::processEvents();
        QApplication::processEvents();
        return counter->count;
    }
    AudioEngine& engine() { return player->engine(); }

    ManualMainLoop loop;
    std::unique_ptr<PlayerController> player = test::makePlayer(loop);
    std::unique_ptr<VisualizationBox> box;
    std::unique_ptr<PaintCounter> counter;
};

TEST_F(VisualizationBoxTest, RepaintsOnlyWhenAValueItDrawsChanges) {
    start(VisualizationMode::vu);
    EXPECT_TRUE(box->isListening());

    engine().vuLeftDb = engine().vuLeftDb.get(); // republished unchanged, as when stopped
    EXPECT_EQ(settle(), 0);
    engine().peakLeftDb = -3.0; // not drawn in this mode
    engine().waveform = std::vector<float>(256, 0.5f);
    EXPECT_EQ(settle(), 0);
    engine().vuLeftDb = -6.0;
    engine().vuRightDb = -7.0;
    EXPECT_EQ(settle(), 1);
    EXPECT_EQ(box->vuMeterView().leftDb, -6.0);

    player->cycleVisualization(); // vu -> led, which follows the peaks
    EXPECT_EQ(settle(), 1);
    EXPECT_EQ(box->ledMeterView().leftDb, -3.0);
    engine().vuLeftDb = -1.0;
    EXPECT_EQ(settle(), 0);
}

TEST_F(VisualizationBoxTest, OffScreenItNeitherListensNorPaintsAndAClickCyclesTheMode) {
    start(VisualizationMode::led);
    box->hide();
    EXPECT_FALSE(box->isListening());
    engine().peakLeftDb = -1.0;
    EXPECT_EQ(settle(), 0);
    EXPECT_EQ(box->ledMeterView().leftDb, -30.0);

    box->show();
    EXPECT_TRUE(box->isListening());
    EXPECT_EQ(settle(), 1);
    EXPECT_EQ(box->ledMeterView().leftDb, -1.0);

    // A minimised window counts as off screen too.
    box->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(box->isListening());

    // A click cycles the mode.
    box->setWindowState(Qt::WindowNoState);
    test::click(box.get(), {20, 20});
    EXPECT_EQ(player->settings.get().visualization, VisualizationMode::off);
    EXPECT_EQ(box->mode(), VisualizationMode::off);
}

} // namespace
} // namespace orvane

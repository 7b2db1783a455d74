#include "UiTestSupport.h"
#include "ui/LEDMeterView.h"
#include "ui/ScopeView.h"
#include "ui/SpectrumView.h"
#include "ui/VUMeterView.h"
#include "ui/VisualizationBox.h"
#include "ui/VisualizationCanvas.h"

#include <memory>
#include <vector>

#include <QEvent>
#include <QImage>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// --- The pure rules ---

TEST(LEDMeterRules, LevelsLightNothingAtTheBottomEverythingAtTheTopAndTheHoldLedFollows) {
    EXPECT_EQ(LEDMeterView::litCount(-30.0), 0);
    EXPECT_EQ(LEDMeterView::litCount(-45.0), 0);
    EXPECT_EQ(LEDMeterView::litCount(0.0), 24);
    EXPECT_EQ(LEDMeterView::litCount(6.0), 24);
    EXPECT_EQ(LEDMeterView::litCount(-15.0), 12);
    // Half a step rounds up; just under it does not.
    EXPECT_EQ(LEDMeterView::litCount(-30.0 + 0.625), 1);
    EXPECT_EQ(LEDMeterView::litCount(-30.0 + 0.62), 0);
    // The hold LED appears only above half a decibel over the bottom.
    EXPECT_EQ(LEDMeterView::holdIndex(-29.5), std::nullopt);
    EXPECT_EQ(LEDMeterView::holdIndex(-40.0), std::nullopt);
    EXPECT_EQ(LEDMeterView::holdIndex(-29.4), 0); // the lowest LED, not index -1
    EXPECT_EQ(LEDMeterView::holdIndex(-15.0), 11);
    EXPECT_EQ(LEDMeterView::holdIndex(0.0), 23);
    EXPECT_EQ(LEDMeterView::holdIndex(3.0), 23);
}

TEST(LEDMeterRules, TheScaleIsTwoRedTwoOrangeFourYellowAndSixteenGreen) {
    const QColor red = LEDMeterView::segmentColor(23);
    const QColor orange = LEDMeterView::segmentColor(21);
    const QColor yellow = LEDMeterView::segmentColor(19);
    const QColor green = LEDMeterView::segmentColor(0);
    for (int i = 0; i < LEDMeterView::segments; ++i) {
        const QColor& expected = i < 16 ? green : i < 20 ? yellow : i < 22 ? orange : red;
        EXPECT_EQ(LEDMeterView::segmentColor(i), expected) << i;
    }
    EXPECT_GT(red.redF(), 0.9f);
    EXPECT_LT(red.greenF(), 0.3f);
    EXPECT_GT(green.greenF(), 0.8f);
}

TEST(VUMeterRules, TheNeedleRestsAtTheEndsPointsUpInTheMiddleAndTurnsRedAboveZero) {
    EXPECT_DOUBLE_EQ(VUMeterView::needleAngle(-60.0), VUMeterView::needleAngle(-20.0));
    EXPECT_DOUBLE_EQ(VUMeterView::needleAngle(12.0), VUMeterView::needleAngle(3.0));
    // Halfway along the 23 dB scale the needle stands straight up from the pivot.
    EXPECT_DOUBLE_EQ(VUMeterView::needleAngle(-20.0 + 23.0 / 2.0), 270.0);
    const double length = VUMeterView::needleLength();
    const QPointF tip = VUMeterView::facePoint(270.0, length);
    // The ends lean left and right, symmetric about the pivot, above the face's bottom.
    const QPointF left = VUMeterView::facePoint(VUMeterView::needleAngle(-20.0), length);
    const QPointF right = VUMeterView::facePoint(VUMeterView::needleAngle(3.0), length);
    EXPECT_NEAR(left.x() + right.x(), 2 * tip.x(), 1e-9);
    EXPECT_NEAR(left.y(), right.y(), 1e-9);
    EXPECT_GT(left.x(), 0.0);
    EXPECT_LT(left.y(), 100.0);
    EXPECT_LT(tip.y(), left.y());

    const QColor dark = VUMeterView::needleColor(-5.0);
    EXPECT_EQ(VUMeterView::needleColor(0.0), dark);
    EXPECT_GT(VUMeterView::needleColor(0.1).redF(), 0.7f);
    EXPECT_LT(dark.redF(), 0.2f);
}

TEST(ScopeRules, QuietBuffersGetTheFullGainLoudOnesEightyFivePercentAndUpIsPositive) {
    EXPECT_DOUBLE_EQ(ScopeView::gain(std::vector<float>(256, 0.0f)), 4.0);
    EXPECT_DOUBLE_EQ(ScopeView::gain({0.0f, 0.049f, -0.03f}), 4.0);
    EXPECT_DOUBLE_EQ(ScopeView::gain({0.1f, -0.1f}), 4.0); // 8.5 is held to 4
    EXPECT_NEAR(ScopeView::gain({0.2f, -0.5f}), 1.7, 1e-6);
    EXPECT_NEAR(ScopeView::gain({1.0f, -1.0f}), 0.85, 1e-6);

    // Positive samples go up, and full scale stops at 92 % of the half height.
    const QSizeF size(190, 46);
    EXPECT_NEAR(ScopeView::point(0, 256, 1.0, 4.0, size).y(), 23.0 - 23.0 * 0.92, 1e-9);
    EXPECT_NEAR(ScopeView::point(255, 256, -1.0, 4.0, size).x(), 190.0, 1e-9);
}

TEST(SpectrumRules, BarsAreHeldToTheBoxAndNeverVanish) {
    const QSizeF size(190, 46);
    const QRectF empty = SpectrumView::barRect(0, 24, 0.0, size);
    EXPECT_DOUBLE_EQ(empty.height(), 1.0);
    EXPECT_DOUBLE_EQ(empty.bottom(), 46.0);
    const QRectF full = SpectrumView::barRect(23, 24, 1.7, size);
    EXPECT_DOUBLE_EQ(full.top(), 0.0);
    EXPECT_LE(full.right(), 190.0);
    EXPECT_EQ(SpectrumView::barColor(0.42), SpectrumView::barColor(0.0));
    EXPECT_NE(SpectrumView::barColor(0.43), SpectrumView::barColor(0.0));
    EXPECT_NE(SpectrumView::barColor(0.83), SpectrumView::barColor(0.82));
}

TEST(VisualizationBrightness, DarkensByUpToThirtyFivePercent) {
    EXPECT_DOUBLE_EQ(brightnessAdjustment(1.0), 0.0);
    EXPECT_DOUBLE_EQ(brightnessAdjustment(0.0), -0.35);
    EXPECT_NEAR(brightnessAdjustment(0.8), -0.07, 1e-12);
    EXPECT_DOUBLE_EQ(brightnessAdjustment(-1.0), -0.35);

    QImage image(3, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(200, 120, 60, 255));
    image.setPixel(1, 0, qRgba(50, 50, 50, 128)); // premultiplied, half opaque
    image.setPixel(2, 0, qRgba(0, 0, 0, 0));
    applyBrightness(image, -0.35);
    EXPECT_EQ(image.pixel(0, 0), qRgba(111, 31, 0, 255)); // 0.35 x 255 = 89 off each
    EXPECT_EQ(image.pixel(1, 0), qRgba(5, 5, 5, 128));    // 0.35 x 128 = 45 off each
    EXPECT_EQ(image.pixel(2, 0), qRgba(0, 0, 0, 0));
}

TEST(VisualizationGlow, StaysWhereItsShapeIsDrawn) {
    QImage canvas(190, 46, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    GlowLayer glow;
    {
        QPainter painter(&canvas);
        glow.paint(painter, QSizeF(190, 46), 2.0, [](QPainter& layer) {
            layer.setBrush(Qt::white);
            layer.drawRect(QRectF(140, 20, 20, 16));
        });
    }
    EXPECT_GT(qAlpha(canvas.pixel(150, 28)), 200); // the middle of the shape
    EXPECT_GT(qAlpha(canvas.pixel(139, 28)), 0);   // softened past its edge
    EXPECT_EQ(qAlpha(canvas.pixel(75, 14)), 0);    // nowhere else
    EXPECT_EQ(qAlpha(canvas.pixel(130, 28)), 0);
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
    void start(VisualizationMode mode, double ledBrightness = 1.0) {
        setSettings(mode, ledBrightness);
        box = std::make_unique<VisualizationBox>(*player);
        counter = std::make_unique<PaintCounter>(box.get());
        box->show();
        settle();
    }
    void setSettings(VisualizationMode mode, double ledBrightness) {
        player->settings.modify([&](AppSettings& s) {
            s.visualization = mode;
            s.ledBrightness = ledBrightness;
        });
    }
    // Delivers pending repaints; returns how many paints that made.
    int settle() {
        counter->count = 0;
        QApplication::processEvents();
        QApplication::processEvents();
        return counter->count;
    }
    QColor pixel(int x, int y) { return box->grab().toImage().pixelColor(x, y); }
    AudioEngine& engine() { return player->engine(); }

    ManualMainLoop loop;
    std::unique_ptr<PlayerController> player = test::makePlayer(loop);
    std::unique_ptr<VisualizationBox> box;
    std::unique_ptr<PaintCounter> counter;
};

TEST_F(VisualizationBoxTest, RepaintsOnlyWhenAValueItDrawsChanges) {
    start(VisualizationMode::vu);
    EXPECT_EQ(box->size(), QSize(190, 46));
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

    engine().spectrumBars = std::vector<float>(24, 0.5f);
    player->cycleVisualization(); // vu -> led, which follows the peaks
    EXPECT_EQ(box->mode(), VisualizationMode::led);
    EXPECT_EQ(settle(), 1);
    EXPECT_EQ(box->ledMeterView().leftDb, -3.0);
    engine().vuLeftDb = -1.0;
    engine().spectrumBars = std::vector<float>(24, 0.9f);
    EXPECT_EQ(settle(), 0);
    engine().peakHoldRightDb = -2.0;
    EXPECT_EQ(settle(), 1);
}

TEST_F(VisualizationBoxTest, OffScreenItNeitherListensNorPaintsAndCatchesUpOnReturn) {
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

    box->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(box->isListening());
    engine().peakLeftDb = -2.0;
    EXPECT_EQ(settle(), 0);
    box->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(box->isListening());
    EXPECT_EQ(box->ledMeterView().leftDb, -2.0);
    EXPECT_GE(settle(), 1);
}

TEST_F(VisualizationBoxTest, AClickCyclesTheModeAndTheToolTipFollows) {
    start(VisualizationMode::led);
    EXPECT_EQ(box->toolTip(), QStringLiteral("Visualization: Led \u2014 click to change"));
    test::click(box.get(), {20, 20});
    EXPECT_EQ(player->settings.get().visualization, VisualizationMode::off);
    EXPECT_EQ(box->mode(), VisualizationMode::off);
    EXPECT_EQ(box->toolTip(), QStringLiteral("Visualization: Off \u2014 click to change"));
    EXPECT_TRUE(player->savePending());
    test::click(box.get(), {20, 20});
    EXPECT_EQ(box->mode(), VisualizationMode::spectrum);
}

TEST_F(VisualizationBoxTest, BrightnessDarkensTheSpectrumButDimsOnlyTheLitLeds) {
    engine().spectrumBars = std::vector<float>(24, 1.0f);
    start(VisualizationMode::spectrum, 1.0);
    const QColor bright = pixel(12, 30); // inside the body of the second bar
    setSettings(VisualizationMode::spectrum, 0.0);
    EXPECT_EQ(settle(), 1);
    const QColor dim = pixel(12, 30);
    EXPECT_NEAR(bright.red() - dim.red(), 89, 2);

    // LED meters: the left row fully lit, the right one dark.
    engine().peakLeftDb = 0.0;
    setSettings(VisualizationMode::led, 0.0);
    settle();
    const QRectF litLed = LEDMeterView::ledRect(0, 0, QSizeF(190, 46));
    const QRectF unlitLed = LEDMeterView::ledRect(0, 1, QSizeF(190, 46));
    const QPoint litCentre = litLed.center().toPoint();
    const QPoint unlitCentre = unlitLed.center().toPoint();
    EXPECT_EQ(pixel(litCentre.x(), litCentre.y()), QColor(Qt::black)); // invisible at 0
    const QColor faint = pixel(unlitCentre.x(), unlitCentre.y());
    EXPECT_GT(faint.green(), 0);
    setSettings(VisualizationMode::led, 1.0);
    settle();
    EXPECT_GT(pixel(litCentre.x(), litCentre.y()).green(), 150);
    EXPECT_EQ(pixel(unlitCentre.x(), unlitCentre.y()), faint); // not darkened
}

} // namespace
} // namespace orvane

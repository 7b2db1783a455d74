#include "ui/Icons.h"

#include "UiTestSupport.h"
#include "ui/Theme.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Every symbol the views name.
const QStringList usedSymbols =
    QStringLiteral(
        "play.fill pause.fill stop.fill backward.end.fill forward.end.fill gearshape.fill "
        "speaker.slash.fill speaker.wave.2.fill plus minus xmark xmark.circle.fill "
        "arrow.uturn.backward tray.and.arrow.down tray.and.arrow.up magnifyingglass checkmark "
        "plus.circle trash play.circle waveform dial.high hifispeaker slider.horizontal.3 repeat "
        "repeat.1 shuffle")
        .split(QLatin1Char(' '));

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    }
    return count;
}

TEST(Icons, EverySymbolInUseHasAnOutlineInsideItsBox) {
    for (const QString& symbol : usedSymbols) {
        SCOPED_TRACE(symbol.toStdString());
        ASSERT_TRUE(Icons::hasSymbol(symbol));
        const QRectF bounds = Icons::symbolPath(symbol).boundingRect();
        EXPECT_GT(bounds.width() * bounds.height(), 20.0);
        EXPECT_TRUE(QRectF(0, 0, 24, 24).contains(bounds));
    }
    EXPECT_FALSE(Icons::hasSymbol(QStringLiteral("no.such.symbol")));
    EXPECT_TRUE(Icons::symbolPath(QStringLiteral("no.such.symbol")).isEmpty());
}

TEST(Icons, CutOutShapesKeepTheirHoles) {
    // The gear has a hole in its middle; the cross inside the filled circle is cut out.
    const QPainterPath gear = Icons::symbolPath(QStringLiteral("gearshape.fill"));
    EXPECT_FALSE(gear.contains(QPointF(12, 12)));
    EXPECT_TRUE(gear.contains(QPointF(12, 6)));
    const QPainterPath clear = Icons::symbolPath(QStringLiteral("xmark.circle.fill"));
    EXPECT_FALSE(clear.contains(QPointF(12, 12)));
    EXPECT_TRUE(clear.contains(QPointF(12, 4)));
}

TEST(Icons, DrawSharpAtAnyScaleAndFadedWhenDisabled) {
    test::qtApp();
    const QIcon icon = Icons::symbolIcon(QStringLiteral("stop.fill"), Theme::lcd);
    const QPixmap single = icon.pixmap(QSize(24, 24), 1.0);
    const QPixmap twice = icon.pixmap(QSize(24, 24), 2.0);
    EXPECT_EQ(single.size(), QSize(24, 24));
    ASSERT_EQ(twice.size(), QSize(48, 48));
    EXPECT_DOUBLE_EQ(twice.devicePixelRatio(), 2.0);
    // Drawn afresh at 2x: four times the pixels, and the edge stays hard (no pixel of the
    // square's inside is half-transparent, as it would be after scaling up).
    const QImage big = twice.toImage();
    EXPECT_NEAR(opaquePixels(big), 4 * opaquePixels(single.toImage()), 40);
    EXPECT_EQ(big.pixelColor(24, 24).rgb(), Theme::lcd.rgb());
    EXPECT_EQ(qAlpha(big.pixel(12, 12)), 255);
    EXPECT_EQ(qAlpha(big.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(single.toImage().pixel(12, 12)), 255);
    const QImage disabled = icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage();
    EXPECT_NEAR(qAlpha(disabled.pixel(12, 12)), 102, 2);
}

TEST(Icons, PaintSymbolFitsTheRect) {
    test::qtApp();
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        Icons::paintSymbol(painter, QRectF(0, 0, 40, 20), QStringLiteral("stop.fill"), Qt::red);
    }
    // Centred as a 20 x 20 square: nothing at the far left, the middle filled.
    EXPECT_EQ(qAlpha(image.pixel(2, 10)), 0);
    EXPECT_EQ(image.pixelColor(20, 10), QColor(Qt::red));
}

TEST(AppIcon, BothVariantsRenderFromTheResources) {
    test::qtApp();
    const QImage plain = Icons::appIcon(false).pixmap(QSize(128, 128), 1.0).toImage();
    const QImage wordmark = Icons::appIcon(true).pixmap(QSize(128, 128), 1.0).toImage();
    ASSERT_EQ(plain.size(), QSize(128, 128));
    EXPECT_GT(opaquePixels(plain), 128 * 128 / 2);
    EXPECT_GT(opaquePixels(wordmark), 128 * 128 / 2);
    EXPECT_NE(plain, wordmark);
    // Crisp at a large size too: the artwork is drawn, not scaled.
    EXPECT_EQ(Icons::appIcon(true).pixmap(QSize(512, 512), 2.0).size(), QSize(1024, 1024));
}

} // namespace
} // namespace orvane

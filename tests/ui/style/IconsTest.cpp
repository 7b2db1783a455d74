#include "ui/style/Icons.h"

#include "ui/UiTestSupport.h"
#include "ui/style/Theme.h"

#include <QImage>
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
}

TEST(Icons, DrawSharpAtAnyScaleAndTheAppIconRendersFromTheResources) {
    test::qtApp();
    const QIcon icon = Icons::symbolIcon(QStringLiteral("stop.fill"), Theme::lcd);
    const QPixmap single = icon.pixmap(QSize(24, 24), 1.0);
    const QPixmap twice = icon.pixmap(QSize(24, 24), 2.0);
    ASSERT_EQ(twice.size(), QSize(48, 48));
    // Drawn afresh at 2x: four times the pixels, and the edge stays hard (no pixel of the
    // square's inside is half-transparent, as it would be after scaling up).
    const QImage big = twice.toImage();
    EXPECT_NEAR(opaquePixels(big), 4 * opaquePixels(single.toImage()), 40);
    EXPECT_EQ(qAlpha(big.pixel(12, 12)), 255);
    EXPECT_EQ(qAlpha(big.pixel(2, 2)), 0);

    const QImage plain = Icons::appIcon(false).pixmap(QSize(128, 128), 1.0).toImage();
    const QImage wordmark = Icons::appIcon(true).pixmap(QSize(128, 128), 1.0).toImage();
    EXPECT_GT(opaquePixels(plain), 128 * 128 / 2);
    EXPECT_GT(opaquePixels(wordmark), 128 * 128 / 2);
    EXPECT_NE(plain, wordmark);
}

} // namespace
} // namespace orvane

#include "ui/style/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QStyle>

namespace orvane::Theme {

namespace {

// Qt sizes fonts in points; the layout speaks logical pixels. Converting through the
// screen's logical DPI makes a size-12 text exactly 12 logical pixels high.
double pointsForPixels(double pixelSize) {
    double dpi = 96.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchY();
    if (!(dpi > 0.0))
        dpi = 96.0;
    return pixelSize * 72.0 / dpi;
}

QFont sized(QFont font, double pixelSize, QFont::Weight weight) {
    font.setPointSizeF(pointsForPixels(pixelSize));
    font.setWeight(weight);
    return font;
}

} // namespace

QColor withOpacity(const QColor& color, double opacity) {
    QColor result = color;
    result.setAlphaF(static_cast<float>(static_cast<double>(color.alphaF()) * opacity));
    return result;
}

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, Theme::bg);
    palette.setColor(QPalette::WindowText, Theme::text);
    palette.setColor(QPalette::Base, Theme::listBlack);
    palette.setColor(QPalette::AlternateBase, Theme::panelBlack);
    palette.setColor(QPalette::Text, Theme::text);
    palette.setColor(QPalette::PlaceholderText, Theme::textDim);
    palette.setColor(QPalette::Button, Theme::steel);
    palette.setColor(QPalette::ButtonText, Theme::text);
    palette.setColor(QPalette::Highlight, Theme::selection);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, Theme::panelBlack);
    palette.setColor(QPalette::ToolTipText, Theme::text);
    palette.setColor(QPalette::Light, Theme::steelLight);
    palette.setColor(QPalette::Midlight, Theme::steelLight);
    palette.setColor(QPalette::Mid, Theme::steel);
    palette.setColor(QPalette::Dark, Theme::panelBlack);
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Text, Theme::textDim);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Theme::textDim);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, Theme::textDim);
    return palette;
}

void applyDarkLookToApplication() {
    if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(darkPalette());
    // Menus open over the black track list: a steel face (Fusion fills menus with the
    // base colour) sets them apart from it.
    QPalette menus = darkPalette();
    menus.setColor(QPalette::Base, Theme::steel);
    QApplication::setPalette(menus, "QMenu");
}

QLabel* plainLabel(const QString& content, const QFont& font, const QColor& color) {
    auto* label = new QLabel(content);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QFont systemFont(double pixelSize, QFont::Weight weight) {
    return sized(QGuiApplication::font(), pixelSize, weight);
}

QFont monospacedFont(double pixelSize, QFont::Weight weight) {
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), pixelSize, weight);
}

void paintSteelButton(QPainter& painter, const QRectF& box, double radius, bool pressed) {
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, steelLight);
    fill.setColorAt(1.0, steel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, radius, radius);
    if (pressed) {
        painter.setBrush(withOpacity(Qt::black, 0.18));
        painter.drawRoundedRect(box, radius, radius);
    }
}

} // namespace orvane::Theme

#include "ui/style/Icons.h"

#include "ui/style/SymbolTable.h"

#include <algorithm>
#include <utility>

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The artwork lives in a static library, whose resource registration the linker would
// drop unless something refers to it.
static void initOrvaneResources() {
    Q_INIT_RESOURCE(orvane);
}

namespace orvane::Icons {

namespace {

constexpr double designSize = 24.0;

// An icon drawn by its paint() at exactly the pixel size asked for, never scaled.
class PaintedIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        // Qt asks in device pixels already; the scale only tags the result.
        const QSize pixels = size;
        QPixmap pixmap(pixels);
        pixmap.fill(Qt::transparent);
        if (pixels.isEmpty())
            return pixmap;
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), pixels), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
};

// Draws a symbol at whatever size and device pixel ratio it is asked for, so an icon
// is never a scaled bitmap.
class SymbolIconEngine final : public PaintedIconEngine {
public:
    SymbolIconEngine(QString name, QColor color) : name_(std::move(name)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor color = color_;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4f);
        paintSymbol(*painter, rect, name_, color);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(name_, color_); }
    QString key() const override { return QStringLiteral("OrvaneSymbol"); }
    QString iconName() override { return name_; }
    bool isNull() override { return !hasSymbol(name_); }

private:
    QString name_;
    QColor color_;
};

// Renders SVG artwork at the exact pixel size asked for.
class ArtworkIconEngine final : public PaintedIconEngine {
public:
    explicit ArtworkIconEngine(QString resource) : resource_(std::move(resource)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        QSvgRenderer renderer(resource_);
        renderer.render(painter, rect);
    }

    // The sizes a window icon is handed to the desktop in (the X window's icon property
    // carries every one of them): taskbars and switchers draw 16 to 128 pixels. Larger
    // ones cost the start about 10 ms of rendering and a megabyte and a half sent to the
    // display; any size is still drawn exactly when asked for by pixmap().
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32),
                QSize(48, 48), QSize(64, 64), QSize(128, 128)};
    }

    QIconEngine* clone() const override { return new ArtworkIconEngine(resource_); }
    QString key() const override { return QStringLiteral("OrvaneArtwork"); }
    bool isNull() override { return !QSvgRenderer(resource_).isValid(); }

private:
    QString resource_;
};

} // namespace

QStringList symbolNames() {
    QStringList names;
    for (const auto& entry : symbolTable())
        names << entry.first;
    return names;
}

bool hasSymbol(const QString& name) {
    return symbolTable().count(name) != 0;
}

QPainterPath symbolPath(const QString& name) {
    const auto& table = symbolTable();
    const auto found = table.find(name);
    return found == table.end() ? QPainterPath() : found->second;
}

QRectF glyphRect(QPointF centre, double size) {
    const double side = size * glyphScale;
    return {centre.x() - side / 2.0, centre.y() - side / 2.0, side, side};
}

void paintSymbol(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color) {
    const auto& table = symbolTable();
    const auto found = table.find(name);
    if (found == table.end() || rect.isEmpty())
        return;
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(rect.center().x() - side / 2.0, rect.center().y() - side / 2.0);
    painter.scale(side / designSize, side / designSize);
    painter.fillPath(found->second, color);
    painter.restore();
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    // QIcon takes ownership of its engine.
    return QIcon(new SymbolIconEngine(name, color));
}

QString appIconResource(bool withWordmark) {
    static const bool registered = [] {
        initOrvaneResources();
        return true;
    }();
    (void)registered;
    return withWordmark ? QStringLiteral(":/orvane/AppIconWithText.svg")
                        : QStringLiteral(":/orvane/AppIcon.svg");
}

QIcon appIcon(bool withWordmark) {
    return QIcon(new ArtworkIconEngine(appIconResource(withWordmark)));
}

} // namespace orvane::Icons

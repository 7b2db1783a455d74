#include "ui/visualization/VUFace.h"

#include "ui/style/Theme.h"
#include "ui/visualization/VUMeterView.h"

#include <array>
#include <cmath>

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>

namespace orvane {

namespace {

using Face = VUMeterView;

const QColor ink = QColor::fromRgbF(0.17f, 0.14f, 0.1f);
const QColor redInk = QColor::fromRgbF(0.78f, 0.17f, 0.1f);

// The scale's radius about the pivot: inside the needle's reach, so the tip crosses it.
constexpr double scaleRadius = 97.0;

QPointF scalePoint(double db, double radius) {
    return Face::facePoint(Face::needleAngle(db), radius);
}

// The arc of the scale from level `from` to level `to` at `radius`.
QPainterPath scaleArc(double from, double to, double radius) {
    constexpr int steps = 48;
    QPainterPath path(scalePoint(from, radius));
    for (int i = 1; i <= steps; ++i)
        path.lineTo(scalePoint(from + (to - from) * i / steps, radius));
    return path;
}

// The band between two radii over a range of levels.
QPainterPath scaleBand(double from, double to, double inner, double outer) {
    QPainterPath band = scaleArc(from, to, outer);
    band.connectPath(scaleArc(to, from, inner));
    band.closeSubpath();
    return band;
}

QFont faceFont(int pixelSize, QFont::Weight weight) {
    QFont font = Theme::systemFont(pixelSize, weight);
    // Face units, whatever the device: the face is scaled as a whole.
    font.setPixelSize(pixelSize);
    return font;
}

void drawCentredText(QPainter& painter, QPointF centre, const QString& text) {
    const QRectF box(centre - QPointF(20, 10), QSizeF(40, 20));
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

void paintVUFace(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card(1, 1, Face::imgW - 2, Face::imgH - 2);

    // The card, lit from behind: brightest round the middle of the scale.
    QLinearGradient paper(0, 0, 0, Face::imgH);
    paper.setColorAt(0.0, QColor::fromRgbF(0.99f, 0.93f, 0.76f));
    paper.setColorAt(1.0, QColor::fromRgbF(0.86f, 0.74f, 0.5f));
    painter.setPen(Qt::NoPen);
    painter.setBrush(paper);
    painter.drawRoundedRect(card, 9, 9);
    QRadialGradient light(QPointF(Face::imgW * 0.5, Face::imgH * 0.45), Face::imgW * 0.55);
    light.setColorAt(0.0, QColor::fromRgbF(1.0f, 0.98f, 0.88f, 0.55f));
    light.setColorAt(1.0, QColor::fromRgbF(1.0f, 0.98f, 0.88f, 0.0f));
    painter.setBrush(light);
    painter.drawRoundedRect(card, 9, 9);

    // The scale: a thin arc up to 0 dB, a red band above it.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, 1.4));
    painter.drawPath(scaleArc(Face::displayMin, 0.0, scaleRadius));
    painter.setPen(Qt::NoPen);
    painter.setBrush(redInk);
    painter.drawPath(scaleBand(0.0, Face::displayMax, scaleRadius - 0.7, scaleRadius + 4.0));

    struct Mark {
        double db;
        const char16_t* label; // none: a minor tick
    };
    static constexpr std::array<Mark, 11> marks{{{-20, u"20"},
                                                 {-10, u"10"},
                                                 {-7, u"7"},
                                                 {-5, u"5"},
                                                 {-3, u"3"},
                                                 {-2, nullptr},
                                                 {-1, nullptr},
                                                 {0, u"0"},
                                                 {1, nullptr},
                                                 {2, nullptr},
                                                 {3, u"3"}}};
    painter.setFont(faceFont(11, QFont::DemiBold));
    for (const Mark& mark : marks) {
        const bool major = mark.label != nullptr;
        painter.setPen(QPen(ink, major ? 1.8 : 1.2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(scalePoint(mark.db, scaleRadius),
                         scalePoint(mark.db, scaleRadius + (major ? 11.0 : 7.0)));
        painter.setPen(mark.db > 0.0 ? redInk : ink);
        if (major)
            drawCentredText(painter, scalePoint(mark.db, scaleRadius - 14.0),
                            QString::fromUtf16(mark.label));
    }

    // The name sits below the arc.
    painter.setFont(faceFont(20, QFont::Bold));
    painter.setPen(ink);
    drawCentredText(painter, QPointF(Face::imgW * 0.5, 76), QStringLiteral("VU"));

    // A dark rim holds the card.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0.28f, 0.22f, 0.14f), 2.0));
    painter.drawRoundedRect(card, 9, 9);
    painter.restore();
}

QImage renderVUFace(QSizeF size, double devicePixelRatio) {
    QImage image(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                 static_cast<int>(std::ceil(size.height() * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.scale(size.width() / Face::imgW, size.height() / Face::imgH);
    paintVUFace(painter);
    return image;
}

} // namespace orvane

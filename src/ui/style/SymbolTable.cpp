#include "ui/style/SymbolTable.h"

#include <initializer_list>

#include <QPainterPathStroker>
#include <QPointF>
#include <QTransform>

namespace orvane::Icons {

namespace {

using Points = std::initializer_list<QPointF>;

// Strokes are turned into filled outlines so that every symbol is one fillable path.
QPainterPath stroked(const QPainterPath& path, double width, Qt::PenCapStyle cap = Qt::RoundCap,
                     Qt::PenJoinStyle join = Qt::RoundJoin) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(join);
    return stroker.createStroke(path).simplified();
}

QPainterPath polyline(Points points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& p : points) {
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    return path;
}

QPainterPath polygon(Points points) {
    QPainterPath path = polyline(points);
    path.closeSubpath();
    return path;
}

QPainterPath line(QPointF a, QPointF b, double width) {
    return stroked(polyline({a, b}), width);
}

// A filled polygon whose corners are rounded by `radius`.
QPainterPath softPolygon(Points points, double radius) {
    const QPainterPath shape = polygon(points);
    return shape.united(stroked(shape, 2 * radius));
}

QPainterPath roundRect(double x, double y, double w, double h, double r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath disc(QPointF centre, double r) {
    QPainterPath path;
    path.addEllipse(centre, r, r);
    return path;
}

QPainterPath ring(QPointF centre, double r, double width) {
    QPainterPath circle;
    circle.addEllipse(centre, r, r);
    return stroked(circle, width);
}

QPainterPath unite(std::initializer_list<QPainterPath> parts) {
    QPainterPath result;
    for (const QPainterPath& part : parts)
        result = result.united(part);
    return result.simplified();
}

// An open arc of a circle, as a stroke. Angles in degrees, counter-clockwise on screen.
QPainterPath arcStroke(QPointF centre, double r, double startDeg, double sweepDeg, double width) {
    const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    QPainterPath path;
    path.arcMoveTo(box, startDeg);
    path.arcTo(box, startDeg, sweepDeg);
    return stroked(path, width);
}

QPainterPath speakerBody(double dx) {
    return softPolygon(
        {{3 + dx, 9}, {7 + dx, 9}, {12 + dx, 4.5}, {12 + dx, 19.5}, {7 + dx, 15}, {3 + dx, 15}},
        1.0);
}

QPainterPath gear() {
    const QPointF c(12, 12);
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QTransform turn;
        turn.translate(c.x(), c.y());
        turn.rotate(45.0 * i);
        turn.translate(-c.x(), -c.y());
        teeth = teeth.united(turn.map(roundRect(10.2, 1.2, 3.6, 5.0, 1.0)));
    }
    const QPainterPath body = unite({disc(c, 8.0), teeth});
    return body.subtracted(disc(c, 3.3)).simplified();
}

QPainterPath tray() {
    return stroked(polyline({{3, 13}, {3, 20}, {21, 20}, {21, 13}}), 2.0);
}

QPainterPath repeatLoop() {
    QPainterPath top;
    top.moveTo(4, 12);
    top.lineTo(4, 9.5);
    top.quadTo(4, 6.5, 7, 6.5);
    top.lineTo(19, 6.5);
    QPainterPath bottom;
    bottom.moveTo(20, 12);
    bottom.lineTo(20, 14.5);
    bottom.quadTo(20, 17.5, 17, 17.5);
    bottom.lineTo(5, 17.5);
    return unite({stroked(top, 1.9), stroked(bottom, 1.9),
                  stroked(polyline({{16, 3.5}, {19, 6.5}, {16, 9.5}}), 1.9),
                  stroked(polyline({{8, 14.5}, {5, 17.5}, {8, 20.5}}), 1.9)});
}

std::map<QString, QPainterPath> buildTable() {
    std::map<QString, QPainterPath> t;
    const QPointF c(12, 12);

    // Transport.
    t[QStringLiteral("play.fill")] = softPolygon({{6.5, 4}, {20, 12}, {6.5, 20}}, 1.2);
    t[QStringLiteral("pause.fill")] =
        unite({roundRect(5.5, 4, 4.6, 16, 1.2), roundRect(13.9, 4, 4.6, 16, 1.2)});
    t[QStringLiteral("stop.fill")] = roundRect(5, 5, 14, 14, 2.5);
    t[QStringLiteral("backward.end.fill")] = unite(
        {roundRect(4, 5, 2.8, 14, 1.0), softPolygon({{19.5, 5.2}, {9, 12}, {19.5, 18.8}}, 1.0)});
    t[QStringLiteral("forward.end.fill")] = unite(
        {roundRect(17.2, 5, 2.8, 14, 1.0), softPolygon({{4.5, 5.2}, {15, 12}, {4.5, 18.8}}, 1.0)});

    // Panel and settings.
    t[QStringLiteral("gearshape.fill")] = gear();
    t[QStringLiteral("speaker.wave.2.fill")] =
        unite({speakerBody(0), arcStroke({12, 12}, 4.0, -45, 90, 1.9),
               arcStroke({12, 12}, 8.0, -48, 96, 1.9)});
    {
        const QPainterPath slash = polyline({{4, 3.5}, {20.5, 20}});
        QPainterPath speaker = unite({speakerBody(2.5), arcStroke({14.5, 12}, 4.0, -45, 90, 1.9)});
        speaker = speaker.subtracted(stroked(slash, 4.2));
        t[QStringLiteral("speaker.slash.fill")] = unite({speaker, stroked(slash, 1.9)});
    }
    t[QStringLiteral("play.circle")] =
        unite({ring(c, 9.5, 1.8), softPolygon({{10, 8}, {16.2, 12}, {10, 16}}, 0.6)});
    t[QStringLiteral("waveform")] =
        unite({line({3, 10}, {3, 14}, 2.0), line({6.5, 7}, {6.5, 17}, 2.0),
               line({10, 3.5}, {10, 20.5}, 2.0), line({13.5, 8}, {13.5, 16}, 2.0),
               line({17, 5.5}, {17, 18.5}, 2.0), line({20.5, 10.5}, {20.5, 13.5}, 2.0)});
    t[QStringLiteral("dial.high")] =
        unite({ring(c, 9.0, 1.8), line({12, 12}, {16.6, 7.4}, 2.2), disc(c, 2.0),
               disc({4.5, 19.5}, 0.9), disc({19.5, 19.5}, 0.9)});
    t[QStringLiteral("hifispeaker")] = unite({stroked(roundRect(5, 2, 14, 20, 2.5), 1.8),
                                              ring({12, 7}, 1.8, 1.6), ring({12, 15.2}, 3.8, 1.8)});
    t[QStringLiteral("slider.horizontal.3")] = unite(
        {line({3, 6}, {21, 6}, 1.8), line({3, 12}, {21, 12}, 1.8), line({3, 18}, {21, 18}, 1.8),
         disc({15.5, 6}, 2.7), disc({8, 12}, 2.7), disc({13, 18}, 2.7)});
    t[QStringLiteral("checkmark")] = stroked(polyline({{5, 12.5}, {10, 17.5}, {19, 6.5}}), 2.4);

    // Playlist.
    t[QStringLiteral("plus")] = unite({line({12, 5}, {12, 19}, 2.2), line({5, 12}, {19, 12}, 2.2)});
    t[QStringLiteral("minus")] = line({5, 12}, {19, 12}, 2.2);
    t[QStringLiteral("xmark")] = unite({line({6, 6}, {18, 18}, 2.2), line({18, 6}, {6, 18}, 2.2)});
    t[QStringLiteral("xmark.circle.fill")] =
        disc(c, 10.5)
            .subtracted(
                unite({line({8.3, 8.3}, {15.7, 15.7}, 2.2), line({15.7, 8.3}, {8.3, 15.7}, 2.2)}))
            .simplified();
    t[QStringLiteral("plus.circle")] = unite(
        {ring(c, 9.5, 1.8), line({12, 7.5}, {12, 16.5}, 1.9), line({7.5, 12}, {16.5, 12}, 1.9)});
    {
        QPainterPath turn;
        turn.moveTo(18.5, 20);
        turn.lineTo(18.5, 13.5);
        turn.arcTo(QRectF(8.5, 8.5, 10, 10), 0, 90);
        turn.lineTo(6, 8.5);
        t[QStringLiteral("arrow.uturn.backward")] =
            unite({stroked(turn, 2.0), stroked(polyline({{10, 4.5}, {6, 8.5}, {10, 12.5}}), 2.0)});
    }
    t[QStringLiteral("tray.and.arrow.down")] =
        unite({tray(), line({12, 3}, {12, 14}, 2.0),
               stroked(polyline({{8, 10}, {12, 14}, {16, 10}}), 2.0)});
    t[QStringLiteral("tray.and.arrow.up")] =
        unite({tray(), line({12, 3.5}, {12, 15}, 2.0),
               stroked(polyline({{8, 7.5}, {12, 3.5}, {16, 7.5}}), 2.0)});
    t[QStringLiteral("magnifyingglass")] =
        unite({ring({10, 10}, 6.2, 2.2), line({14.8, 14.8}, {20.5, 20.5}, 2.8)});
    {
        QPainterPath can;
        can.moveTo(6.2, 8);
        can.lineTo(7.3, 20.8);
        can.lineTo(16.7, 20.8);
        can.lineTo(17.8, 8);
        t[QStringLiteral("trash")] = unite(
            {line({4, 6}, {20, 6}, 1.9),
             stroked(polyline({{9, 6}, {9, 3.2}, {15, 3.2}, {15, 6}}), 1.7), stroked(can, 1.8),
             line({10, 10.5}, {10.3, 18}, 1.5), line({14, 10.5}, {13.7, 18}, 1.5)});
    }

    // The playback-mode marks (the mode button draws these rather than relying on an
    // emoji font being installed).
    t[QStringLiteral("repeat")] = repeatLoop();
    t[QStringLiteral("repeat.1")] =
        unite({repeatLoop(), stroked(polyline({{10.6, 10.6}, {12.2, 9.4}, {12.2, 14.8}}), 1.6)});
    {
        QPainterPath a;
        a.moveTo(3, 7);
        a.lineTo(7, 7);
        a.cubicTo(12, 7, 12, 17, 17, 17);
        a.lineTo(20.5, 17);
        QPainterPath b;
        b.moveTo(3, 17);
        b.lineTo(7, 17);
        b.cubicTo(12, 17, 12, 7, 17, 7);
        b.lineTo(20.5, 7);
        t[QStringLiteral("shuffle")] =
            unite({stroked(a, 1.9), stroked(b, 1.9),
                   stroked(polyline({{17.5, 4}, {20.5, 7}, {17.5, 10}}), 1.9),
                   stroked(polyline({{17.5, 14}, {20.5, 17}, {17.5, 20}}), 1.9)});
    }

    return t;
}

} // namespace

const std::map<QString, QPainterPath>& symbolTable() {
    static const std::map<QString, QPainterPath> table = buildTable();
    return table;
}

} // namespace orvane::Icons

#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace orvane::Icons {

// Orvane's own symbol set: every icon a view shows is a vector outline drawn here, so it
// stays sharp at any size and screen scale. Symbols are looked up by name ("play.fill",
// "gearshape.fill", ...). GUI thread only.

// Every symbol name there is, in no particular order.
QStringList symbolNames();
bool hasSymbol(const QString& name);

// The symbol's filled outline in a 24 x 24 box; empty for an unknown name.
QPainterPath symbolPath(const QString& name);

// Layouts give symbol sizes as text sizes; a symbol of size 14 fills a square this much
// larger, so that it looks as heavy as a glyph of that size.
inline constexpr double glyphScale = 1.3;
// The square that a symbol of text size `size` fills, centred on `centre`.
QRectF glyphRect(QPointF centre, double size);

// Fills the symbol with `color`, scaled to fit `rect` and centred in it.
void paintSymbol(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

// An icon that draws the symbol in `color` at whatever size and scale it is asked for;
// the disabled mode draws it at 40 % opacity.
QIcon symbolIcon(const QString& name, const QColor& color);

// The application icon; with the "ORVANE" wordmark under the emblem when asked.
QIcon appIcon(bool withWordmark = false);
// The resource path of the application icon's artwork.
QString appIconResource(bool withWordmark);

} // namespace orvane::Icons

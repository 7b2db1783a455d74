#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QLabel;
class QPainter;
class QRectF;

namespace orvane::Theme {

// Orvane's palette: every colour a view paints with comes from here. All sRGB.

inline const QColor bg = QColor::fromRgbF(0.063f, 0.075f, 0.094f);    // window background
inline const QColor steel = QColor::fromRgbF(0.149f, 0.176f, 0.239f); // button bottom, status bar
inline const QColor steelLight = QColor::fromRgbF(0.227f, 0.267f, 0.345f); // button and panel top
inline const QColor panelBlack = QColor::fromRgbF(0.016f, 0.027f, 0.039f); // wells, slider tracks
inline const QColor listBlack = QColor::fromRgbF(0.02f, 0.031f, 0.047f);   // playlist background
inline const QColor text = QColor::fromRgbF(0.804f, 0.827f, 0.871f);       // normal text and icons
inline const QColor textDim = QColor::fromRgbF(0.49f, 0.525f, 0.596f);     // secondary text
inline const QColor green = QColor::fromRgbF(0.0f, 0.878f, 0.373f);        // now-playing title
inline const QColor greenDim = QColor::fromRgbF(0.0f, 0.643f, 0.278f);     // flags, label borders
inline const QColor lcd = QColor::fromRgbF(0.149f, 1.0f, 0.478f);          // digits, lit buttons
inline const QColor gold = QColor::fromRgbF(0.788f, 0.627f, 0.353f);       // seek bar tint
inline const QColor danger = QColor::fromRgbF(0.878f, 0.353f, 0.29f);      // muted speaker
// Row selection; always painted at opacity 0.35 (selectionOpacity).
inline const QColor selection = QColor::fromRgbF(0.0f, 0.353f, 0.784f);
inline constexpr double selectionOpacity = 0.35;

// `color` at `opacity` (0...1) times its own alpha.
QColor withOpacity(const QColor& color, double opacity);

// The steel button face: a `steelLight` to `steel` gradient in a rounded rectangle,
// darkened while pressed.
void paintSteelButton(QPainter& painter, const QRectF& box, double radius, bool pressed);

// Orvane is always dark, whatever the desktop's colour scheme: the palette that the
// standard widgets inside its windows (fields, menus, scroll bars) take their colours from.
QPalette darkPalette();

// Makes every window of the application dark: menus, dialogs, popups and message boxes
// are top-level windows that take the application's palette, not the main window's.
// The Fusion style draws with the palette as given; a desktop's own style may not.
void applyDarkLookToApplication();

// A plain-text label in `font` and `color`, without a parent (the layout it goes into
// takes it).
QLabel* plainLabel(const QString& content, const QFont& font, const QColor& color);

// The system font at a size in logical pixels (the unit every size of the layout uses),
// so that text keeps its place in fixed-size boxes whatever the screen's font DPI.
QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// The monospaced system font at a size in logical pixels.
QFont monospacedFont(double pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace orvane::Theme

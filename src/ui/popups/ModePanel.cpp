#include "ui/popups/ModePanel.h"

#include "controller/PlayerController.h"
#include "ui/player/ModeMarks.h"
#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <array>

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QVBoxLayout>

namespace orvane {

namespace {

struct ModeRow {
    const char* label;
    PlaybackMode mode;
    const char* help;
};

constexpr std::array kModeRows{
    ModeRow{"Normal", PlaybackMode::normal, "Play through the playlist once"},
    ModeRow{"Auto-stop after track", PlaybackMode::stopAfter, "Stop after every track"},
    ModeRow{"Repeat track", PlaybackMode::one, "Repeat current track"},
    ModeRow{"Repeat playlist", PlaybackMode::all, "Repeat the whole playlist"},
};

// A full-width row: its mode's mark and label, lit and ticked while on, highlighted
// while pressed.
class ModeRowButton : public QPushButton {
public:
    ModeRowButton(ModeMark mark, const QString& label, const QString& help)
        : QPushButton(label), mark_(mark) {
        setToolTip(help);
        setCheckable(true);
        setFont(Theme::systemFont(12));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumHeight(fontMetrics().height() + 12);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool on = isChecked();
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 5, 5);
        if (isDown())
            painter.fillPath(shape, Theme::steelLight);
        else if (on)
            painter.fillPath(shape, Theme::panelBlack);
        const QColor color = on ? Theme::lcd : Theme::text;
        const QRectF inner = QRectF(rect()).adjusted(10, 0, -10, 0);
        const double markWidth =
            paintModeMark(painter, mark_, QPointF(inner.left(), inner.center().y()), font(), color);
        painter.setPen(color);
        painter.setFont(font());
        painter.drawText(inner.adjusted(markWidth + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
        if (on) {
            const QRectF tick(inner.right() - 10, inner.center().y() - 5, 10, 10);
            Icons::paintSymbol(painter, tick, QStringLiteral("checkmark"), Theme::lcd);
        }
    }

private:
    ModeMark mark_;
};

} // namespace

ModePanel::ModePanel(PlayerController& player, QWidget* parent)
    : PopupPanel(parent), player_(player) {
    setFixedWidth(210);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    for (const ModeRow& row : kModeRows) {
        auto* button = new ModeRowButton(modeMark(row.mode), QString::fromUtf8(row.label),
                                         QString::fromUtf8(row.help));
        const PlaybackMode mode = row.mode;
        connect(button, &QPushButton::clicked, this,
                [this, mode] { player_.setPlaybackMode(mode); });
        layout->addWidget(button);
        rows_.push_back(button);
    }
    layout->addSpacing(2);
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setStyleSheet(QStringLiteral("color: rgba(0,0,0,0.5);"));
    layout->addWidget(divider);
    layout->addSpacing(2);
    auto* shuffle = new ModeRowButton(ModeMark::shuffle, QStringLiteral("Shuffle"),
                                      QStringLiteral("Random order \u2014 combines with any mode"));
    connect(shuffle, &QPushButton::clicked, this, [this] { player_.toggleShuffle(); });
    layout->addWidget(shuffle);
    rows_.push_back(shuffle);

    subscriptions_.push_back(player_.settings.subscribe([this](const auto&) { refresh(); }));
    refresh();
}

void ModePanel::refresh() {
    const AppSettings& s = player_.settings.get();
    for (std::size_t i = 0; i < kModeRows.size(); ++i)
        rows_[i]->setChecked(s.pbMode == kModeRows[i].mode);
    rows_.back()->setChecked(s.shuffle);
}

} // namespace orvane

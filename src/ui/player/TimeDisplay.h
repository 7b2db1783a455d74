#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

namespace orvane {

class GlowLabel;

// The big glowing time readout in its dark well. The whole well is a button: a click
// asks to switch between elapsed and remaining time. GUI thread only.
class TimeDisplay : public QAbstractButton {
    Q_OBJECT
public:
    explicit TimeDisplay(QWidget* parent = nullptr);

    // The readout (see timeText()) and whether it shows remaining time (for the help).
    void setTime(const QString& text, bool showsRemainingTime);
    QString shownText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GlowLabel* label_;
};

} // namespace orvane

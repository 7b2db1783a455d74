#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace orvane {

// For start-up measurements (bench/measure-startup.sh): when ORVANE_FIRST_PAINT_FILE names
// a file, the wall-clock time at which the main window has first been painted and
// handed to the display is written there, as nanoseconds since the epoch. The script
// compares it with the time it started the program. Without the variable nothing is
// installed, so an ordinary start pays nothing. GUI thread only.
class FirstPaintReport : public QObject {
    Q_OBJECT
public:
    // Watches `window` when the variable is set; the report is a child of the window.
    static void installIfAsked(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstPaintReport(QWidget& window, QString file);
    void write() const;

    QString file_;
    bool seen_ = false;
};

} // namespace orvane

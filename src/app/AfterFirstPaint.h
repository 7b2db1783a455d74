#pragma once

#include <functional>

#include <QObject>

class QWidget;

namespace orvane {

// Runs a task once, right after a window's first frame has been painted and handed to
// the display: for work the first frame does not need, so that it does not hold up the
// start. A window that is not painted (started minimised, on a desktop not shown) runs
// it two seconds after start all the same: the work is delayed, never lost. GUI thread
// only.
class AfterFirstPaint : public QObject {
    Q_OBJECT
public:
    // Watches `window`; the watcher is a child of the window, so `task` never runs after
    // the window is gone. Watchers installed later run their tasks first.
    static void install(QWidget& window, std::function<void()> task);

    // For start-up measurements (bench/measure-startup.sh): when ORVANE_FIRST_PAINT_FILE
    // names a file, the wall-clock time of the window's first frame is written there, as
    // nanoseconds since the epoch, and the processor time the process has used until
    // then (nanoseconds), which a busy machine does not inflate. Without the variable
    // nothing is installed.
    static void reportIfAsked(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AfterFirstPaint(QWidget& window, std::function<void()> task);
    // Runs the task on the next pass of the event loop, once.
    void runSoon();

    std::function<void()> task_;
    bool seen_ = false;
};

} // namespace orvane

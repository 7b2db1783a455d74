#pragma once

#include "runtime/MainLoop.h"

#include <memory>

#include <QElapsedTimer>

class QObject;

namespace orvane {

// The production MainLoop on Qt's event loop. Posted tasks travel as queued calls to a
// context object on the main thread; timers are precise QTimers, which keep firing
// while menus and resizes run their own nested loops.
//
// Create it on the main thread after the QCoreApplication, and destroy it there after
// every thread that might post to it has stopped. Tasks posted but not yet run when it
// is destroyed are dropped, and its timers stop; handles may outlive it.
//
// Timer intervals are whole milliseconds (rounded); a repeating timer's interval is at
// least 1 ms. Tasks and callbacks must not throw: Qt's event loop cannot carry exceptions.
class QtMainLoop final : public MainLoop {
public:
    QtMainLoop();
    ~QtMainLoop() override;
    QtMainLoop(const QtMainLoop&) = delete;
    QtMainLoop& operator=(const QtMainLoop&) = delete;

    void post(Task task) override;
    [[nodiscard]] TimerHandle runAfter(double seconds, Task task) override;
    [[nodiscard]] TimerHandle runEvery(double seconds, Task task) override;
    double now() const override;

private:
    TimerHandle start(double seconds, bool repeat, Task task);

    std::unique_ptr<QObject> context_; // receives posted tasks, parents every timer
    QElapsedTimer clock_;
};

} // namespace orvane

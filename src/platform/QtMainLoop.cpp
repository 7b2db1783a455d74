#include "platform/QtMainLoop.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace orvane {

namespace {

std::chrono::milliseconds toInterval(double seconds, bool repeat) {
    // QTimer counts in int milliseconds; NaN and negatives mean "now".
    const double ms = seconds > 0.0 ? std::min(seconds * 1000.0, double{INT_MAX}) : 0.0;
    const auto rounded = static_cast<std::chrono::milliseconds::rep>(std::llround(ms));
    return std::chrono::milliseconds(repeat ? std::max<decltype(rounded)>(rounded, 1) : rounded);
}

class QtTimerImpl final : public TimerHandle::Impl {
public:
    explicit QtTimerImpl(QTimer* timer) : timer_(timer) {}
    ~QtTimerImpl() override { cancel(); }

    void cancel() override {
        if (!timer_)
            return; // already cancelled, or the loop is gone and took the timer with it
        timer_->stop();
        timer_->disconnect();
        // The handle may be dropped inside this timer's own callback, while the timer
        // is still emitting; deleteLater is Qt's safe way to delete an object then.
        timer_->deleteLater();
        timer_.clear();
    }

    bool isActive() const override { return timer_ && timer_->isActive(); }

private:
    QPointer<QTimer> timer_;
};

} // namespace

QtMainLoop::QtMainLoop() : context_(std::make_unique<QObject>()) {
    clock_.start();
}

// Deleting the context drops the calls still queued for it and deletes its timers.
QtMainLoop::~QtMainLoop() = default;

void QtMainLoop::post(Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

TimerHandle QtMainLoop::runAfter(double seconds, Task task) {
    return start(seconds, false, std::move(task));
}

TimerHandle QtMainLoop::runEvery(double seconds, Task task) {
    return start(seconds, true, std::move(task));
}

TimerHandle QtMainLoop::start(double seconds, bool repeat, Task task) {
    auto* timer = new QTimer(context_.get()); // owned by the context, see ~QtMainLoop
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeat);
    timer->setInterval(toInterval(seconds, repeat));
    QObject::connect(timer, &QTimer::timeout, timer, std::move(task));
    timer->start();
    return TimerHandle(std::make_unique<QtTimerImpl>(timer));
}

double QtMainLoop::now() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

} // namespace orvane

#pragma once

#include "controller/PlayerController.h"
#include "runtime/ManualMainLoop.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QVariant>
#include <QWidget>

#include <gtest/gtest.h>

namespace orvane::test {

// The QApplication of the test program. UiTestEnvironment.cpp creates it before the
// first test (unless the program already has one) and destroys it after the last, while
// Qt's own globals still exist; a function-local static would be destroyed too late.
inline QApplication& qtApp() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        throw std::logic_error("the test environment did not create the QApplication");
    return *app;
}

// A fixture base that makes sure of the QApplication before the fixture's own widget
// members are built.
class QtAppTest : public ::testing::Test {
protected:
    QtAppTest() { qtApp(); }
};

// Delivers one mouse event to `target` at once, with an explicit time stamp (ms) so
// that double-click timing never depends on how fast the test runs.
inline void sendMouse(QWidget* target, QEvent::Type type, QPointF pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint64 timestamp = 0) {
    Qt::MouseButtons held = Qt::NoButton;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
        type == QEvent::MouseMove)
        held = button;
    QMouseEvent event(type, pos, target->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    event.setTimestamp(timestamp);
    QApplication::sendEvent(target, &event);
}

// A press and release at the same place.
inline void click(QWidget* target, QPointF pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  quint64 timestamp = 0) {
    sendMouse(target, QEvent::MouseButtonPress, pos, Qt::LeftButton, modifiers, timestamp);
    sendMouse(target, QEvent::MouseButtonRelease, pos, Qt::LeftButton, modifiers, timestamp);
}

// Text as a std::string, so that a failed comparison prints it.
inline std::string str(const QString& text) {
    return text.toStdString();
}
inline std::string str(const QVariant& value) {
    return value.toString().toStdString();
}

// A drag of `mime` entering `target` at `pos`, and its drop there; each returns whether
// the widget accepted it. (Qt hands a drop to the widget that accepted the entry.)
inline bool dragEnter(QWidget* target, const QMimeData& mime, QPointF pos) {
    QDragEnterEvent event(pos.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}
inline bool drop(QWidget* target, const QMimeData& mime, QPointF pos) {
    QDropEvent event(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

// A controller on `loop` that starts from `state` (the fresh one when absent), keeps
// nothing and scans no metadata at start.
inline std::unique_ptr<PlayerController> makePlayer(ManualMainLoop& loop,
                                                    std::optional<PersistedState> state = {}) {
    class FixedState final : public StateStorage {
    public:
        explicit FixedState(PersistedState kept) : state_(std::move(kept)) {}
        PersistedState load() override { return state_; }
        bool save(PersistedState) override { return true; }
        bool saveResume(const ResumePoint&) override { return true; }

    private:
        PersistedState state_;
    };
    PlayerControllerServices services;
    if (state)
        services.storage = std::make_unique<FixedState>(std::move(*state));
    services.scanMetadataAtStart = false;
    return std::make_unique<PlayerController>(loop, std::move(services));
}

} // namespace orvane::test

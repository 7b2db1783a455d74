#pragma once

#include <stdexcept>

#include <QApplication>
#include <QMouseEvent>
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

} // namespace orvane::test

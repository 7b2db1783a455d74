#include "ui/FocusResignFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace orvane {

namespace {

bool isTextField(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
            qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

} // namespace

FocusResignFilter::FocusResignFilter(QWidget& window) : QObject(&window), window_(window) {
}

bool FocusResignFilter::endsEditing(const QWidget* target) {
    return target != nullptr && !isTextField(target);
}

bool FocusResignFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* target = qobject_cast<QWidget*>(watched);
    if (mouse->button() != Qt::LeftButton || target == nullptr || target->window() != &window_)
        return false;
    QWidget* focused = QApplication::focusWidget();
    if (focused != nullptr && isTextField(focused) && endsEditing(target))
        focused->clearFocus();
    return false;
}

} // namespace orvane

#include "ui/window/FocusResignFilter.h"

#include "ui/window/TextFields.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace orvane {

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

#include "ui/window/TextFields.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace orvane {

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

bool isEditingText() {
    return isTextField(QApplication::focusWidget());
}

} // namespace orvane

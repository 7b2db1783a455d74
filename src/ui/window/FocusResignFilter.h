#pragma once

#include <QObject>

class QWidget;

namespace orvane {

// Ends text editing when the user clicks elsewhere in the window: a left-button
// release on anything that is not a text field takes the keyboard focus from the field
// being edited, so that the player's keys work again. A click on another text field
// leaves editing alone. Installed on the application; watches one window; never
// swallows an event. GUI thread only.
class FocusResignFilter : public QObject {
    Q_OBJECT
public:
    explicit FocusResignFilter(QWidget& window);

    // Whether a release on `target` ends the editing in the focused field.
    static bool endsEditing(const QWidget* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};

} // namespace orvane

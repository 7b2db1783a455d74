#pragma once

class QWidget;

namespace orvane {

// Whether `widget` or one of its ancestors in the same window takes typed text (line
// edits, text edits, spin boxes): such a widget keeps the arrow keys and select-all.
bool isTextField(const QWidget* widget);

// Whether the widget with the keyboard focus is a text field.
bool isEditingText();

} // namespace orvane

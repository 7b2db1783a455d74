#pragma once

#include <functional>

#include <QAbstractButton>
#include <QSlider>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace orvane {

// The building blocks of the settings window's tabs: a switch, a slider over a range of
// doubles, grouped sections and the rows that go in them. Every control reports only
// what the user does; values set from outside never come back as edits, so a tab can
// show the settings whenever they change without writing them again. GUI thread only.

// An on/off switch. `clicked(bool)` reports the user's change; setChecked() is silent
// towards it.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A horizontal slider over [minimum, maximum] in steps of `step`, or continuous (a
// thousand steps) when `step` is 0.
class SettingsSlider : public QSlider {
    Q_OBJECT
public:
    SettingsSlider(double minimum, double maximum, double step, QWidget* parent = nullptr);

    // Shows `value` (the nearest step, within the range) without reporting an edit.
    void showValue(double value);
    // The value of the slider's current position.
    double currentValue() const;

signals:
    void valueEdited(double value);

private:
    double valueAt(int position) const;

    double minimum_;
    double maximum_;
    int steps_;
    bool showing_ = false;
};

// A slider row: the label, flexible space and the value text on one line, the slider
// below and an optional note under it. The value text is what `format` makes of the
// value shown, so a stored value between two steps is shown as it is.
class SliderRow : public QWidget {
    Q_OBJECT
public:
    SliderRow(const QString& label, SettingsSlider* slider, std::function<QString(double)> format,
              const QString& note = QString(), QWidget* parent = nullptr);

    void showValue(double value);
    SettingsSlider& slider() { return *slider_; }
    QString valueText() const;

signals:
    void valueEdited(double value);

private:
    SettingsSlider* slider_;
    QLabel* value_;
    std::function<QString(double)> format_;
};

// One group of a grouped form: rows on a rounded panel, separated by hairlines, under
// an optional heading. Hidden rows take no room and get no separator.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(const QString& heading = QString(), QWidget* parent = nullptr);
    // Adds a row; the section takes ownership.
    void addRow(QWidget* row);

private:
    QWidget* panel_;
    QVBoxLayout* rows_;
};

// A tab's page: sections stacked from the top in a scroll area, with 60 pixels of
// empty space under the last one.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);
    SettingsSection* addSection(const QString& heading = QString());

private:
    QVBoxLayout* sections_;
};

// A row with the label on the left and `control` on the right.
QWidget* labelledRow(const QString& label, QWidget* control);
// A text in the secondary colour, in the monospaced font of the value texts.
QLabel* valueLabel();
// A menu of `entries` for a labelled row.
QComboBox* settingsMenu(const QStringList& entries);

} // namespace orvane

#pragma once

#include <QAbstractButton>
#include <QString>

namespace orvane {

// A button of the playlist toolbar: an optional symbol and a title on a steel gradient,
// with its help as tooltip. GUI thread only.
class ToolbarButton : public QAbstractButton {
    Q_OBJECT
public:
    // `symbol` may be empty for a title-only button.
    ToolbarButton(const QString& symbol, const QString& title, const QString& help,
                  QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
};

} // namespace orvane

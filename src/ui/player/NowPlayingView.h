#pragma once

#include <optional>

#include <QString>
#include <QWidget>

class QLabel;

namespace orvane {

class GlowLabel;

// The now-playing line in its well, with the technical info line under it when there
// is one. GUI thread only.
class NowPlayingView : public QWidget {
    Q_OBJECT
public:
    explicit NowPlayingView(QWidget* parent = nullptr);

    // `title` is marqueeText(); `info` is formatInfoText() (none hides the line).
    void setTexts(const QString& title, const std::optional<QString>& info);
    QString title() const;
    // The title as painted now (elided at the tail to the well's width).
    QString shownTitle() const;
    bool hasInfoLine() const;
    QString infoText() const;

private:
    GlowLabel* title_;
    QLabel* info_;
};

} // namespace orvane

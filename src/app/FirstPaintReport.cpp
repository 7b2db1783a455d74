#include "app/FirstPaintReport.h"

#include <chrono>
#include <cstdio>

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace orvane {

void FirstPaintReport::installIfAsked(QWidget& window) {
    const QString file = qEnvironmentVariable("ORVANE_FIRST_PAINT_FILE");
    if (file.isEmpty())
        return;
    // Owned by the window (Qt parent), which it watches.
    window.installEventFilter(new FirstPaintReport(window, file));
}

FirstPaintReport::FirstPaintReport(QWidget& window, QString file)
    : QObject(&window), file_(std::move(file)) {
}

bool FirstPaintReport::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && !seen_) {
        seen_ = true;
        // The window paints first and its children after it, then the frame goes to the
        // display; a zero timer runs once that whole pass has returned to the event loop.
        QTimer::singleShot(0, this, [this] { write(); });
    }
    return QObject::eventFilter(watched, event);
}

void FirstPaintReport::write() const {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    if (FILE* out = std::fopen(file_.toLocal8Bit().constData(), "w")) {
        std::fprintf(out, "%lld\n", ns);
        std::fclose(out);
    }
}

} // namespace orvane

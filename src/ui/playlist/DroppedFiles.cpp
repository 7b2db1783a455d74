#include "ui/playlist/DroppedFiles.h"

#include <QMimeData>

namespace orvane {

QList<QUrl> droppedFileUrls(const QMimeData* mime) {
    QList<QUrl> urls;
    if (mime == nullptr || !mime->hasUrls())
        return urls;
    for (const QUrl& url : mime->urls()) {
        if (url.isValid() && url.isLocalFile())
            urls << url;
    }
    return urls;
}

} // namespace orvane

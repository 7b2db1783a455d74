#pragma once

#include <QList>
#include <QUrl>

class QMimeData;

namespace orvane {

// The local file URLs a drag carries, in order; anything else it carries (web
// addresses, text, broken URLs) is left out. Pure.
QList<QUrl> droppedFileUrls(const QMimeData* mime);

} // namespace orvane

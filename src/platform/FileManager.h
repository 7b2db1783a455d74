#pragma once

#include <string>

namespace orvane {

// Shows the file at `path` in the desktop's file manager: selected, through the
// freedesktop FileManager1 service on the session bus, where a file manager offers it;
// otherwise the containing folder opens in whatever handles folders. Returns at once;
// nothing is reported when neither works. Main thread only.
void revealInFileManager(const std::string& path);

} // namespace orvane

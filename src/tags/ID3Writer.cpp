#include "tags/ID3Writer.h"

#include "tags/TagFileRewrite.h"

namespace orvane {

void ID3Writer::writeTags(const std::filesystem::path& path, const Tags& tags) {
    rewriteTagFile(path,
                   [&tags](std::span<const std::uint8_t> file) { return rewrite(file, tags); });
}

} // namespace orvane

// The tag text clean-up: no crash on any bytes; a repaired text is well-formed UTF-8,
// and a number pair reads back from its own decimal form.

#include "FuzzCheck.h"
#include "model/TextUtil.h"
#include "tags/TagText.h"

#include <string>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::optional<std::string> fixed = tagtext::fixMojibake(text);
    FUZZ_CHECK(fixed.has_value());
    FUZZ_CHECK(*fixed == text || isValidUtf8(*fixed));

    const auto [number, total] = tagtext::parseNumberSlash(text);
    if (number) {
        const std::string again =
            std::to_string(*number) + "/" + (total ? std::to_string(*total) : std::string());
        FUZZ_CHECK(tagtext::parseNumberSlash(again) == std::make_pair(number, total));
    }
    return 0;
}

#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace orvane {

// Why `ID3Writer::writeTags` failed. `what()` is the text the tag editor shows.
//
// Codes in the "Orvane" domain:
//   10  not an MP3 file ("Tag writing is supported for MP3 files only"); nothing was
//       read or written
//   11  the file could not be read
//   12  the temporary file could not be written
//   13  the temporary file could not be put in the file's place
//   14  the tag would exceed the largest size an ID3v2 tag can state
// For codes 11 to 13, `cause()` holds the system's error.
class TagWriteError : public std::runtime_error {
public:
    static constexpr const char* kDomain = "Orvane";
    enum Code : int {
        NotMP3 = 10,
        ReadFailed = 11,
        WriteFailed = 12,
        ReplaceFailed = 13,
        TagTooLarge = 14,
    };

    TagWriteError(Code code, const std::string& message, std::error_code cause = {})
        : std::runtime_error(message), code_(code), cause_(cause) {}

    const char* domain() const noexcept { return kDomain; }
    Code code() const noexcept { return code_; }
    std::error_code cause() const noexcept { return cause_; }

private:
    Code code_;
    std::error_code cause_;
};

} // namespace orvane

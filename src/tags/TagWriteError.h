#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace orvane {

// Why TagWriter::writeTags (or a writer behind it) failed. `what()` is the text the tag
// editor shows.
//
// Orvane's error types share one shape (see also EngineError): a std::runtime_error
// whose `what()` is the message, and whose `code()` says which failure it was, a value
// of the type's own `Code`. A failure of the system behind it is kept as `cause()`.
class TagWriteError : public std::runtime_error {
public:
    enum class Code : int {
        unsupportedFormat = 10, // a kind of file Orvane cannot write; nothing was read or written
        readFailed = 11,        // the file could not be read, or not as the kind its name says
        writeFailed = 12,       // the temporary file could not be written
        replaceFailed = 13,     // the temporary file could not be put in the file's place
        tagTooLarge = 14,       // the tag would exceed the largest size an ID3v2 tag can state
    };

    TagWriteError(Code code, const std::string& message, std::error_code cause = {})
        : std::runtime_error(message), code_(code), cause_(cause) {}

    Code code() const noexcept { return code_; }
    // The system's error for readFailed, writeFailed and replaceFailed; empty otherwise.
    std::error_code cause() const noexcept { return cause_; }

private:
    Code code_;
    std::error_code cause_;
};

} // namespace orvane

#pragma once

#include "tags/ID3v2Frames.h"

#include <optional>
#include <string>
#include <string_view>

// Texts inside ID3v2 frames: the four text encodings (0 ISO-8859-1, 1 UTF-16 with
// byte-order mark, 2 UTF-16 big-endian, 3 UTF-8) to and from UTF-8. Pure functions,
// safe from any thread.
namespace orvane::id3v2 {

// The text of a text frame ("T..." except "TXXX"): the encoding byte, then one or more
// values separated by terminators. Trailing terminators are dropped and several
// values are joined with "/", the ID3v2.3 separator. Nullopt for an empty frame or
// an unknown encoding.
std::optional<std::string> textFrameValue(ByteView content);

struct Comment {
    std::string language; // three bytes as stored
    std::string description;
    std::string text;
};

// A "COMM" frame: encoding, language, terminated description, text.
std::optional<Comment> commentFrameValue(ByteView content);

// Byte-order mark 0xFF 0xFE, then `utf8` in UTF-16 little-endian, no terminator.
// Invalid UTF-8 becomes U+FFFD.
Bytes utf16LeWithBom(std::string_view utf8);

// ID3v2.3 knows only encodings 0 and 1. A plain frame of a known layout (text frames,
// "TXXX", "COMM", "USLT", "APIC", "WXXX", "GEOB", "USER") whose texts are UTF-8 or
// UTF-16 big-endian gets them rewritten as UTF-16 with byte-order marks. Other frames
// are left as they are.
void recodeForV23(Frame& frame);

} // namespace orvane::id3v2

#pragma once

#include "support/ScratchFolder.h"
#include "tags/ID3Writer.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

// Helpers shared by the tag tests: byte building, scratch folders, fixtures.
namespace orvane::tagtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes be32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

inline Bytes syncsafe(std::uint32_t v) {
    return {static_cast<std::uint8_t>((v >> 21) & 0x7F),
            static_cast<std::uint8_t>((v >> 14) & 0x7F), static_cast<std::uint8_t>((v >> 7) & 0x7F),
            static_cast<std::uint8_t>(v & 0x7F)};
}

// UTF-16LE of an ASCII text.
inline Bytes utf16le(std::string_view ascii) {
    Bytes out;
    for (const char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

// An ID3v2 tag header with the given version, flags and body.
inline Bytes tag(std::uint8_t major, std::uint8_t flags, const Bytes& body) {
    return bytes("ID3") + Bytes{major, 0, flags} +
           syncsafe(static_cast<std::uint32_t>(body.size())) + body;
}

// A v2.3 frame (plain size) or v2.4 frame (syncsafe size).
inline Bytes frame23(std::string_view id, const Bytes& payload, std::uint8_t status = 0,
                     std::uint8_t format = 0) {
    return bytes(id) + be32(static_cast<std::uint32_t>(payload.size())) + Bytes{status, format} +
           payload;
}
inline Bytes frame24(std::string_view id, const Bytes& payload, std::uint8_t status = 0,
                     std::uint8_t format = 0) {
    return bytes(id) + syncsafe(static_cast<std::uint32_t>(payload.size())) +
           Bytes{status, format} + payload;
}

// Payload of a text frame in UTF-16 with byte-order mark, as the writer makes it.
inline Bytes utf16Text(std::string_view ascii) {
    return Bytes{0x01, 0xFF, 0xFE} + utf16le(ascii);
}
inline Bytes latin1Text(std::string_view text) {
    return Bytes{0x00} + bytes(text);
}
inline Bytes comment(std::string_view language, std::string_view description,
                     std::string_view text) {
    return Bytes{0x01} + bytes(language) + Bytes{0xFF, 0xFE} + utf16le(description) +
           Bytes{0, 0, 0xFF, 0xFE} + utf16le(text);
}

inline ID3Writer::Tags titled(const std::string& title) {
    ID3Writer::Tags tags;
    tags.title = title;
    return tags;
}

// Something that stands in for MPEG audio data in byte-level tests.
inline Bytes fakeAudio() {
    return Bytes{0xFF, 0xFB, 0x90, 0x64, 0x00, 0x11, 0x22, 0x33, 0xFF, 0x00, 0x44};
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

// The tag fixtures, made by scripts/make-tag-fixtures.sh into <fixtures>/tags.
inline std::filesystem::path fixture(std::string_view name) {
    const std::filesystem::path path = std::filesystem::path(ORVANE_FIXTURES_DIR) / "tags" / name;
    if (!std::filesystem::exists(path))
        ADD_FAILURE() << "missing fixture " << path
                      << "; run scripts/make-tag-fixtures.sh " ORVANE_FIXTURES_DIR "/tags";
    return path;
}

} // namespace orvane::tagtest

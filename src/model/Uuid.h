#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Identity of tracks and playlists. Written in the canonical 36-character form with
// upper-case digits; parsed in either case.
class Uuid {
public:
    Uuid() = default; // the nil UUID
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    // A fresh random (version 4) UUID. Thread-safe.
    static Uuid random();
    // Accepts exactly the 8-4-4-4-12 hyphenated form, hex digits of either case.
    static std::optional<Uuid> parse(std::string_view text);

    std::string toString() const;
    bool isNil() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

struct UuidHash {
    std::size_t operator()(const Uuid& id) const noexcept;
};

} // namespace orvane

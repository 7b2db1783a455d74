#include "media/FileBytes.h"

#include "support/ScratchFolder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

constexpr std::int64_t kHead = FileBytes::kHeadBytes;
constexpr std::int64_t kTail = FileBytes::kTailBytes;

// Bytes that differ from their neighbours, so a read from the wrong place shows.
std::string patterned(std::int64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::int64_t i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

std::string asText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Every read gives the file's own bytes, wherever it falls against the parts read at the
// open: inside them, across their edges, between them, and past the end of the file.
TEST(FileBytes, EveryReadGivesTheFilesBytes) {
    test::ScratchFolder folder;
    for (const std::int64_t size : {std::int64_t{0}, std::int64_t{1}, kHead + kTail,
                                    kHead + kTail + 1, std::int64_t{100'000}}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string contents = patterned(size);
        const auto file = FileBytes::open(folder.write("f" + std::to_string(size), contents));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->size(), size);
        for (const std::int64_t offset :
             {std::int64_t{0}, std::int64_t{1}, kHead - 1, kHead, kHead + 1, size / 2,
              size - kTail - 1, size - kTail, size - kTail + 1, size - 1, size, size + 5}) {
            for (const std::size_t count : {0u, 1u, 10u, 4096u, 8192u, 16384u, 20000u, 200'000u}) {
                if (offset < 0)
                    continue;
                SCOPED_TRACE("offset " + std::to_string(offset) + " count " +
                             std::to_string(count));
                std::vector<std::uint8_t> buffer(count, 0xee);
                const std::string expected =
                    offset < size ? contents.substr(static_cast<std::size_t>(offset), count) : "";
                EXPECT_EQ(asText(file->read(offset, buffer)), expected);
                if (const auto held = file->cached(offset, count)) {
                    EXPECT_EQ(asText(*held), expected); // where the open read them, no copy
                }
                EXPECT_EQ(asText(file->readUpTo(offset, count)), offset < size ? expected : "");
                EXPECT_EQ(file->readExactly(offset, buffer),
                          offset <= size && static_cast<std::int64_t>(count) <= size - offset);
            }
        }
    }
}

// A reader may keep its own handle after the one it was given has gone, and read
// anywhere in the file with it.
TEST(FileBytes, ADuplicateReadsOnAfterTheOriginalHasGone) {
    test::ScratchFolder folder;
    const std::string contents = patterned(200'000);
    auto original = FileBytes::open(folder.write("f", contents));
    ASSERT_TRUE(original);
    auto copy = original->duplicate();
    original.reset();
    ASSERT_TRUE(copy);
    std::vector<std::uint8_t> buffer(300);
    EXPECT_EQ(asText(copy->read(0, buffer)), contents.substr(0, 300));
    EXPECT_EQ(asText(copy->read(100'000, buffer)), contents.substr(100'000, 300));
    EXPECT_EQ(asText(copy->read(200'000 - 100, buffer)), contents.substr(200'000 - 100));
}

TEST(FileBytes, OnlyRegularFilesOpen) {
    test::ScratchFolder folder;
    EXPECT_FALSE(FileBytes::open(folder.makeFolder("sub")));
    EXPECT_FALSE(FileBytes::open(folder.path("missing")));
}

} // namespace
} // namespace orvane::media

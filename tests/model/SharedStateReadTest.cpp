// The state file read on two threads must give exactly what the plain read gives, for
// every text, wherever the second thread starts.

#include "model/StateCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// `text` as a file: readable at any offset, except that a read that would deliver the byte
// at `failAt` or one after it fails.
JsonFileSource fileOf(const std::string& text, std::size_t failAt = SIZE_MAX) {
    return [&text, failAt](char* buffer, std::size_t capacity,
                           std::size_t offset) -> std::optional<std::size_t> {
        if (offset >= failAt)
            return std::nullopt;
        const std::size_t count = std::min(capacity, text.size() - std::min(offset, text.size()));
        if (count > 0 && offset + count > failAt)
            return std::nullopt;
        std::memcpy(buffer, text.data() + offset, count);
        return count;
    };
}

std::optional<PersistedState> plainRead(const std::string& text, std::size_t failAt = SIZE_MAX) {
    const JsonFileSource file = fileOf(text, failAt);
    std::size_t offset = 0;
    return readJson(
        [&](char* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            const auto read = file(buffer, capacity, offset);
            offset += read.value_or(0);
            return read;
        },
        text.size());
}

// Reads `text` with the second thread starting at the first track element from `near` on,
// expects the plain read's result, and tells how the read went.
SplitReadReport expectPlainResult(const std::string& text, std::size_t near,
                                  std::size_t failAt = SIZE_MAX) {
    SplitReadReport report;
    const auto shared = readJsonFile(fileOf(text, failAt), text.size(),
                                     SplitReading{.aboveBytes = 0, .near = near}, &report);
    EXPECT_EQ(shared, plainRead(text, failAt)) << "second thread from " << near;
    return report;
}

Track variedTrack(int i) {
    Track t(Uuid::random(), "/m/" + std::to_string(i) + ".mp3", "A", "T");
    switch (i % 4) {
    case 0:
        break; // only what is required
    case 1:
        // What a boundary looks like, as text: written escaped, it is no boundary.
        t.title = R"(},{"id":")" + Uuid::random().toString() + R"(","path":"\x")";
        t.album = "[{\"id\":\"";
        t.duration = 12.5;
        break;
    case 2:
        t.artist = "Ana Björk \\";
        t.comment = std::string("nul\0in", 6);
        t.trackNumber = i;
        t.peakLinear = 0.5;
        break;
    default:
        t.path = std::string(300, '/') + "x";
        t.composer = "日本語";
        t.bitrateKbps = 320;
        break;
    }
    return t;
}

PersistedState stateOf(const std::vector<int>& playlistSizes) {
    PersistedState state;
    int next = 0;
    for (const int size : playlistSizes) {
        std::vector<Track> tracks;
        for (int i = 0; i < size; ++i)
            tracks.push_back(variedTrack(next++));
        state.playlists.emplace_back(Uuid::random(), "P" + std::to_string(size), std::move(tracks));
    }
    state.activePlaylistID = state.playlists.front().id;
    state.settings.eqPreset = R"(},{"id":")";
    return state;
}

// Every place the second thread can start at: its first track element from `near` on,
// `near` taken in steps shorter than any element, so that every element is the first one
// of some read, among them the first of each list.
TEST(SharedStateRead, GivesThePlainResultWhereverTheSecondThreadStarts) {
    const std::vector<std::vector<int>> layouts = {{240}, {70, 0, 1, 90, 2, 60}};
    for (const auto& layout : layouts) {
        const PersistedState state = stateOf(layout);
        const std::string text = *toJson(state);
        ASSERT_EQ(plainRead(text), state);
        const std::size_t lastElement = text.rfind(R"({"id":")");
        for (std::size_t near = 0; near < text.size(); near += 53) {
            const SplitReadReport report = expectPlainResult(text, near);
            EXPECT_FALSE(report.readAgain) << near;
            if (near < lastElement)
                EXPECT_GT(report.handedOver, 0u) << near;
            else
                EXPECT_EQ(report.handedOver, 0u) << near;
        }
    }
}

TEST(SharedStateRead, TakesEveryLaterTrackListFromTheFirstOn) {
    const PersistedState state = stateOf({30, 0, 1, 40, 2});
    const std::string text = *toJson(state);
    SplitReadReport report;
    EXPECT_EQ(
        readJsonFile(fileOf(text), text.size(), SplitReading{.aboveBytes = 0, .near = 0}, &report),
        state);
    EXPECT_EQ(report.handedOver, 4u) << "each list that has tracks";
    EXPECT_FALSE(report.readAgain);
}

// The second part of a long list, held by the second thread in several runs of tracks.
TEST(SharedStateRead, TakesOverALongListsSecondPartWhole) {
    PersistedState state;
    std::vector<Track> tracks;
    for (int i = 0; i < 40'000; ++i)
        tracks.emplace_back(Uuid::random(), "/m/" + std::to_string(i), "", "");
    state.playlists.emplace_back(Uuid::random(), "P", std::move(tracks));
    const std::string text = *toJson(state);
    SplitReadReport report;
    EXPECT_EQ(
        readJsonFile(fileOf(text), text.size(), SplitReading{.aboveBytes = 0, .near = {}}, &report),
        state);
    EXPECT_EQ(report.handedOver, 1u);
}

TEST(SharedStateRead, ReadsASmallTextAlone) {
    const PersistedState state = stateOf({50});
    const std::string text = *toJson(state);
    SplitReadReport report;
    EXPECT_EQ(readJsonFile(fileOf(text), text.size(), {}, &report), state);
    EXPECT_EQ(report.handedOver, 0u);
    EXPECT_EQ(readJsonFile(fileOf(text), text.size(),
                           SplitReading{.aboveBytes = text.size(), .near = {}}, &report),
              state);
    EXPECT_EQ(report.handedOver, 0u) << "only a text above the size is shared";
    EXPECT_FALSE(report.readAgain);
}

// Texts written by hand.

std::string element(int i, bool idFirst = true) {
    const std::string id =
        R"("id":"00000000-0000-4000-8000-)" + std::to_string(100'000'000'000 + i) + '"';
    const std::string path = R"("path":"\/m\/)" + std::to_string(i) + '"';
    return '{' + (idFirst ? id + ',' + path : path + ',' + id) + R"(,"artist":"A","title":"T"})";
}

// Elements `from` to `to`, every `reordered`-th one (0: none) with its path before its id.
std::string elements(int from, int to, int reordered = 0) {
    std::string list = "[";
    for (int i = from; i < to; ++i)
        list += (i > from ? "," : "") + element(i, reordered == 0 || i % reordered != 0);
    return list + ']';
}

std::string playlist(int n, const std::string& members) {
    return R"({"id":"0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2d)" + std::to_string(n % 10) +
           R"(","name":"P",)" + members + '}';
}

std::string stateText(const std::string& playlists, const std::string& settings = "") {
    return R"({"playlists":[)" + playlists + R"(],"settings":{)" + settings + "}}";
}

// Track lists where the first thread does not expect them, repeated keys, other key
// orders: wherever the second thread starts, the result is the plain one. A list in
// another place than a playlist's tracks makes the first thread read again alone.
TEST(SharedStateRead, TextsWrittenByHandGiveThePlainResult) {
    const std::string tracks = R"("tracks":)" + elements(0, 30);
    const struct {
        std::string text;
        bool lookalike; // holds a track-like list that is no playlist's tracks
    } cases[] = {
        {stateText(playlist(0, R"("old":)" + elements(0, 40) + ',' + tracks)), true},
        {stateText(playlist(0, tracks), R"("someday":)" + elements(40, 80)), true},
        {stateText(playlist(0, tracks), R"("eqGains":)" + elements(40, 80)), true},
        {stateText(playlist(0, tracks + R"(,"more":{"x":)" + elements(40, 80) + "}")), true},
        {stateText(
             playlist(0, R"("tracks":)" + elements(0, 40) + R"(,"tracks":)" + elements(40, 50))),
         false},
        {stateText(playlist(0, R"("tracks":)" + elements(0, 60, 3)) + ',' +
                   playlist(1, R"("tracks":)" + elements(60, 90, 2))),
         false},
        {stateText(playlist(0, R"("name":"Q","tracks":)" + elements(0, 60))), false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(plainRead(c.text)) << c.text;
        bool readAgain = false;
        for (std::size_t near = 0; near < c.text.size(); near += 29)
            readAgain = expectPlainResult(c.text, near).readAgain || readAgain;
        EXPECT_EQ(readAgain, c.lookalike) << c.text;
    }
}

// Text that is not JSON, though the second thread decodes a track list in it: what
// looks like an element's start sits inside a string, or an element is damaged. In the
// first text, the first thread would read a string up to the quote after the list, and
// the whole as JSON: a title "T}]".
TEST(SharedStateRead, TextsThatAreNotJsonFailAsTheyDoRead) {
    const std::string closedInString =
        stateText(playlist(0, R"("tracks":[{"id":"00000000-0000-4000-8000-000000000001",)"
                              R"("path":"a","artist":"A","title":"T},)" +
                                  element(2) + R"(]"}])"));
    const std::string inString =
        stateText(playlist(0, R"("tracks":[{"id":"00000000-0000-4000-8000-000000000001",)"
                              R"("path":"a","artist":"A","title":"T},)" +
                                  elements(1, 30).substr(1) + "}"));
    const std::string badElement =
        stateText(playlist(0, R"("tracks":)" + elements(0, 40).replace(900, 1, "\x01")) + ',' +
                  playlist(1, R"("tracks":)" + elements(40, 80)));
    const std::size_t cut = closedInString.find("T},") + 2;
    ASSERT_TRUE(fromJson<PersistedState>(closedInString.substr(0, cut) +
                                         closedInString.substr(closedInString.find(R"(]")"))))
        << "what the first thread would read";
    for (const std::string& text : {closedInString, inString, badElement}) {
        ASSERT_FALSE(plainRead(text));
        for (std::size_t near = 0; near < text.size(); near += 31)
            expectPlainResult(text, near);
    }
}

// A text cut short, holding a NUL byte, or whose reading fails, at places on either side
// of the point where the second thread starts: nothing, as the plain read gives.
TEST(SharedStateRead, DamageAnywhereFailsAsItDoesInThePlainRead) {
    const PersistedState state = stateOf({40, 3, 50});
    const std::string text = *toJson(state);
    const std::size_t middle = text.size() / 2;
    for (std::size_t at = 0; at < text.size(); at += 173) {
        std::string withNul = text;
        withNul[at] = '\0';
        for (const std::size_t near : {middle, at > 300 ? at - 300 : 0}) {
            expectPlainResult(text.substr(0, at), near);
            expectPlainResult(withNul, near);
            expectPlainResult(text, near, at);
        }
    }
    std::string nulAtTheEnd = text;
    nulAtTheEnd.back() = '\0';
    EXPECT_FALSE(readJsonFile(fileOf(nulAtTheEnd), nulAtTheEnd.size(),
                              SplitReading{.aboveBytes = 0, .near = middle}));
    EXPECT_FALSE(readJsonFile(fileOf(text + '\0'), text.size() + 1,
                              SplitReading{.aboveBytes = 0, .near = middle}));
}

} // namespace
} // namespace orvane

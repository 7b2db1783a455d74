#include "model/StateCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

Uuid uuid(const char* text) {
    return *Uuid::parse(text);
}

Track fullTrack() {
    Track t(Uuid::random(), "/home/ana/Música/Été/01 - Ça va.flac", "Ana Björk", "Ça va ♪");
    t.duration = 245.31;
    t.album = "Déjà \"vu\"\n";
    t.albumArtist = "Various/Artists";
    t.genre = "caf\xe9 (Latin-1, not UTF-8)";
    t.year = "1999-04-01";
    t.trackNumber = 1;
    t.trackTotal = 12;
    t.discNumber = 2;
    t.discTotal = 2;
    t.composer = "日本語";
    t.comment = std::string("tab\there, nul\0in", 16);
    t.bitrateKbps = 320;
    t.sampleRateHz = 44100;
    t.bpm = 128;
    t.peakLinear = 0.98765;
    t.rmsLinear = 0.1234;
    t.trimStart = 0.25;
    t.trimEnd = 244.5;
    return t;
}

PersistedState fullState() {
    PersistedState s;
    s.playlists.emplace_back(Uuid::random(), "Mix/2024 ✓", std::vector<Track>{fullTrack()});
    s.playlists.emplace_back(Uuid::random(), "", std::vector<Track>{});
    s.activePlaylistID = s.playlists[1].id;
    // Every field away from its default, so that a field the codec skips shows.
    // clang-format off
    s.settings = {.volume = 0.33, .pan = -0.5, .isMuted = true, .pbMode = PlaybackMode::stopAfter,
        .shuffle = true, .eqOn = true, .eqGains = {1.5, -2, 3}, .eqPreset = "Mine",
        .customEQPresets = {{"Mine", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, {"a/b", {}}},
        .showRemainingTime = true, .playlistFontSize = 14, .alwaysOnTop = true,
        .resumeOnStartup = true, .quitOnClose = true, .visualization = VisualizationMode::off,
        .ledBrightness = 0.5, .showWordmarkIcon = true, .showPlaylist = false, .gapless = false,
        .trimSilence = true, .trimThresholdDb = -48, .trimMaxSec = 2, .fadePlayOn = true,
        .fadePlayMs = 1, .fadePauseOn = true, .fadePauseMs = 2, .fadeStopOn = true,
        .fadeStopMs = 3, .fadeChangeOn = true, .fadeChangeMs = 4, .normalize = true,
        .compOn = true, .compAmount = 77, .compPreset = CompressorPreset::maximum,
        .charFx = CharacterFX::tape, .charIntensity = 10, .vinylCrackle = 20,
        .tapeType = TapeType::metal, .tapeCompression = 30, .tapeWear = 40, .mechNoise = true,
        .mechNoiseLevel = 50, .loudness = true, .outputDeviceUID = "alsa_output.pci/0"};
    // clang-format on
    s.resumePlaylistID = s.playlists[0].id;
    s.resumeTrackID = s.playlists[0].tracks[0].id;
    s.resumePosition = 61.75;
    return s;
}

// A valid file with one playlist and one track, the base of the rejection cases.
const std::string validFile =
    R"({"playlists":[{"id":"0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2d3","name":"P","tracks":[)"
    R"({"id":"00000000-0000-4000-8000-000000000001","path":"/a.mp3","artist":"A","title":"T",)"
    R"("trackNumber":3}]}],"settings":{"pbMode":"one"}})";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(StateCodec, FullyPopulatedAndMinimalStatesRoundTrip) {
    const PersistedState full = fullState();
    const auto json = toJson(full);
    ASSERT_TRUE(json);
    EXPECT_EQ(fromJson<PersistedState>(*json), full);
    // A file read and saved again keeps its bytes.
    EXPECT_EQ(toJson(*fromJson<PersistedState>(*json)), json);
    EXPECT_EQ(json->find_first_of("\n\r\t"), std::string::npos)
        << "one line, control characters escaped";
    for (auto at = json->find('/'); at != std::string::npos; at = json->find('/', at + 1))
        EXPECT_EQ((*json)[at - 1], '\\') << "unescaped slash at " << at;

    // A path longer than the encoder's buffer once its slashes are escaped.
    PersistedState minimal;
    minimal.playlists.emplace_back(
        Uuid(), "P", std::vector<Track>{Track(Uuid(), std::string(700'000, '/'), "", "")});
    const auto minimalJson = toJson(minimal);
    ASSERT_TRUE(minimalJson);
    EXPECT_EQ(fromJson<PersistedState>(*minimalJson), minimal);
    EXPECT_EQ(minimalJson->find("null"), std::string::npos);
}

TEST(StateCodec, WritesExactBytes) {
    const std::string defaults =
        R"({"volume":0.8,"pan":0.0,"isMuted":false,"pbMode":"normal","shuffle":false,)"
        R"("eqOn":false,"eqGains":[0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0],"eqPreset":"flat",)"
        R"("customEQPresets":{},"showRemainingTime":false,"playlistFontSize":12.5,)"
        R"("alwaysOnTop":false,"resumeOnStartup":false,"quitOnClose":false,)"
        R"("visualization":"vu","ledBrightness":0.8,"showWordmarkIcon":false,)"
        R"("showPlaylist":true,"gapless":true,"trimSilence":false,"trimThresholdDb":-60.0,)"
        R"("trimMaxSec":5.0,"fadePlayOn":false,"fadePlayMs":250.0,"fadePauseOn":false,)"
        R"("fadePauseMs":250.0,"fadeStopOn":false,"fadeStopMs":250.0,"fadeChangeOn":false,)"
        R"("fadeChangeMs":400.0,"normalize":false,"compOn":false,"compAmount":40.0,)"
        R"("compPreset":"warm","charFx":"off","charIntensity":40.0,"loudness":false,)"
        R"("vinylCrackle":50.0,"tapeType":"chrome","tapeCompression":40.0,"tapeWear":0.0,)"
        R"("mechNoise":false,"mechNoiseLevel":30.0})";
    EXPECT_EQ(toJson(AppSettings{}), defaults);

    PersistedState state;
    Track track(uuid("abcdef01-2345-4678-9abc-def012345678"), "/m/a.mp3", "X", "Y");
    track.duration = 2;
    track.trackNumber = 3;
    state.playlists.emplace_back(uuid("00000000-0000-0000-0000-00000000000a"), "A/B",
                                 std::vector<Track>{track});
    state.activePlaylistID = state.playlists[0].id;
    state.resumePosition = 1.5;
    EXPECT_EQ(toJson(state),
              R"({"playlists":[{"id":"00000000-0000-0000-0000-00000000000A","name":"A\/B",)"
              R"("tracks":[{"id":"ABCDEF01-2345-4678-9ABC-DEF012345678","path":"\/m\/a.mp3",)"
              R"("artist":"X","title":"Y","duration":2.0,"trackNumber":3}]}],)"
              R"("activePlaylistID":"00000000-0000-0000-0000-00000000000A","settings":)" +
                  defaults + R"(,"resumePosition":1.5})");
}

// What is missing, null or unknown leaves the default. (Each setting's decoding shows in
// the round trip, a bad value's in the persistence tests.)
TEST(StateCodec, SettingsDecodeOverDefaults) {
    EXPECT_EQ(fromJson<AppSettings>("{}"), AppSettings{});
    AppSettings expected; // whole numbers are doubles too
    expected.volume = 1.0;
    expected.eqGains = {1, 2.5};
    EXPECT_EQ(fromJson<AppSettings>(
                  R"({"volume":1,"eqGains":[1,2.5],"pbMode":null,"someday":[{"x":1}]})"),
              expected);
}

TEST(StateCodec, AcceptsEquivalentForms) {
    const auto plain = fromJson<PersistedState>(validFile);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->playlists[0].tracks[0].path, "/a.mp3");
    EXPECT_EQ(plain->playlists[0].tracks[0].trackNumber, 3);
    EXPECT_EQ(plain->settings.pbMode, PlaybackMode::one);

    const std::string variant =
        replaced(replaced(replaced(validFile, "0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2d3",
                                   "0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3"),
                          R"("/a.mp3")", R"("\/a.mp3")"),
                 R"("trackNumber":3)", R"("trackNumber":3.0,"duration":7,"album":null)") +
        " \n";
    PersistedState expected = *plain;
    expected.playlists[0].tracks[0].duration = 7.0;
    EXPECT_EQ(fromJson<PersistedState>(variant), expected);
}

// Damage outside the settings (which keep a default for a bad value instead).
TEST(StateCodec, RejectsTheWholeFile) {
    const std::pair<std::string, std::string> damage[] = {
        {R"("name":"P")", R"("name":7)"},
        {R"("title":"T",)", ""},
        {R"("trackNumber":3)", R"("trackNumber":"3")"},
        {"0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2d3", "0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2dg"},
        {R"(,"settings":{"pbMode":"one"})", ""},
    };
    for (const auto& [from, to] : damage)
        EXPECT_FALSE(fromJson<PersistedState>(replaced(validFile, from, to))) << to;
    EXPECT_FALSE(fromJson<PersistedState>(validFile + "x"));
    EXPECT_FALSE(fromJson<PersistedState>(validFile.substr(0, validFile.size() / 2)));
}

// Hands out `text` in pieces of at most `piece` bytes, failing once `failAt` bytes are read.
JsonSource pieces(std::string_view text, std::size_t piece, std::size_t failAt = SIZE_MAX) {
    return [=, at = std::size_t{0}](char* buffer,
                                    std::size_t capacity) mutable -> std::optional<std::size_t> {
        if (at >= failAt)
            return std::nullopt;
        const std::size_t count = std::min({capacity, text.size() - at, piece});
        std::memcpy(buffer, text.data() + at, count);
        at += count;
        return count;
    };
}

TEST(StateCodec, ReadsFromASourcePieceByPiece) {
    PersistedState state = fullState();
    state.playlists[1].tracks.assign(400, fullTrack());
    const std::string json = *toJson(state);
    ASSERT_GT(json.size(), 150'000u) << "several of the reader's pieces";
    EXPECT_EQ(readJson(pieces(json, 777)), state);
    EXPECT_FALSE(readJson(pieces(json, 777, json.size()))) << "a failure at the very end counts";
}

// A list long enough to grow by estimate (the rest of the text at the size of the tracks
// read so far) reads whole whether the estimate falls short (short tracks first, then
// long ones), overshoots (a second long list follows), or the stated length is wrong.
TEST(StateCodec, LongTrackListsReadWholeWhateverTheirGrowthEstimate) {
    PersistedState state = fullState();
    auto& growing = state.playlists[0].tracks;
    for (int i = 0; i < 20'000; ++i)
        growing.emplace_back(Uuid::random(), "/m/" + std::to_string(i) + ".mp3", "", "");
    growing.insert(growing.end(), 20'000, fullTrack());
    for (int i = 0; i < 17'000; ++i)
        state.playlists[1].tracks.emplace_back(Uuid::random(), "/n/" + std::to_string(i), "", "");
    const std::string json = *toJson(state);
    for (const std::size_t stated : {json.size(), std::size_t{1000}, 10 * json.size()})
        EXPECT_EQ(readJson(pieces(json, 65'536), stated), state) << "stated " << stated;
}

TEST(StateCodec, NonFiniteDoublesRefuseEncoding) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    PersistedState state = fullState();
    state.playlists[0].tracks[0].peakLinear = nan;
    EXPECT_FALSE(toJson(state));
    state = fullState();
    state.resumePosition = inf;
    bool sinkCalled = false;
    EXPECT_FALSE(writeJson(state, [&](std::string_view) { return sinkCalled = true; }));
    EXPECT_FALSE(sinkCalled) << "nothing is produced";
}

// Numbers in the state file that RapidJSON's own conversion got wrong or read out of bounds
// for: a zero written with an exponent or many decimals, a long number that overflows
// (both found by fuzzing the state decoder).

// The valid file's track duration written as `number`, decoded through both readers,
// which must agree.
std::optional<double> durationOf(const std::string& number) {
    const std::string json = replaced(validFile, R"("trackNumber":3)", R"("duration":)" + number);
    const auto whole = fromJson<PersistedState>(json);
    EXPECT_EQ(whole, readJson(pieces(json, 5)));
    if (!whole)
        return std::nullopt;
    return whole->playlists.at(0).tracks.at(0).duration;
}

TEST(StateNumbers, ZerosReadAsZeroAndOtherNumbersKeepTheirExactValueAndKind) {
    // The first is the fuzzer's input; it used to decode as about 7.7e25.
    for (const char* zero : {"0e052", "0E+300", "0.0e-30", "0e-400",
                             "0.00000000000000000000000000000", "0.0", "0e0"}) {
        const auto duration = durationOf(zero);
        ASSERT_TRUE(duration.has_value()) << zero;
        EXPECT_EQ(*duration, 0.0) << zero;
        EXPECT_FALSE(std::signbit(*duration)) << zero;
    }
    const auto negative = durationOf("-0e99");
    ASSERT_TRUE(negative.has_value());
    EXPECT_TRUE(*negative == 0.0 && std::signbit(*negative));

    // Other numbers keep their exact value and kind.
    EXPECT_EQ(durationOf("0.30000000000000004"), 0.30000000000000004);
    EXPECT_EQ(durationOf("4.9406564584124654e-324"), 4.9406564584124654e-324);
    EXPECT_EQ(durationOf("1.7976931348623157e308"), 1.7976931348623157e308);
    EXPECT_EQ(durationOf("-12"), -12.0);
    EXPECT_EQ(durationOf("18446744073709551615"), 18446744073709551615.0);
    // Too large for a double: the file is not readable. The second is the fuzzer's input.
    EXPECT_FALSE(durationOf("1e400").has_value());
    EXPECT_FALSE(durationOf(std::string(93, '4') + "1e308").has_value());
    EXPECT_FALSE(durationOf("1" + std::string(400, '0')).has_value());
    EXPECT_FALSE(durationOf("0.00" + std::string(320, '9') + "e312"));
    // Too small: zero, with its sign.
    EXPECT_EQ(durationOf("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(durationOf("123e-330"), 0.0);
    const auto tiny = durationOf("-1" + std::string(30, '0') + "e-360");
    ASSERT_TRUE(tiny.has_value());
    EXPECT_TRUE(*tiny == 0.0 && std::signbit(*tiny));

    // Integer fields take whole numbers in any spelling, zero included, and nothing else.
    const auto withTrackNumber = [](const std::string& number) {
        const auto state = fromJson<PersistedState>(
            replaced(validFile, R"("trackNumber":3)", R"("trackNumber":)" + number));
        return state ? state->playlists[0].tracks[0].trackNumber : std::optional<int>(-999);
    };
    EXPECT_EQ(withTrackNumber("7"), 7);
    EXPECT_EQ(withTrackNumber("7.0e0"), 7);
    EXPECT_EQ(withTrackNumber("0.000e10"), 0);
    EXPECT_EQ(withTrackNumber("7.5"), -999);
    EXPECT_EQ(withTrackNumber("2147483648"), -999);
}

} // namespace
} // namespace orvane

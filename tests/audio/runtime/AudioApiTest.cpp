// The runtime library through its exported entry points with SDL's dummy driver:
// the device's answers, and a device freed while an end handler is blocked.
// What the program hears through them is the engine's tests' to measure.
#include "AudioApi.h"
#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <thread>

namespace
{
// The test media live in a temporary folder with an ASCII path.
std::u16string Utf16(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// The "key=value" series of a channel's own tags, or nothing with the error code.
std::map<std::string, std::string> MetaTags(DWORD channel)
{
    std::map<std::string, std::string> tags;
    const char *entry = BASS_ChannelGetTags(channel, QUILLMERE_TAG_META);
    if (entry == nullptr)
        return {{"error", std::to_string(BASS_ErrorGetCode())}};
    for (; *entry != '\0'; entry += std::strlen(entry) + 1) {
        const char *equals = std::strchr(entry, '=');
        tags[std::string(entry, equals)] = equals + 1;
    }
    return tags;
}

class CAudioApiTest : public testing::Test
{
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { BASS_Free(); }
};
} // namespace

TEST_F(CAudioApiTest, DeviceOpensOnceReportsItselfAndFailsCleanlyWithoutADriver)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    const std::u16string path = Utf16(CTestMedia::Path("tone.wav"));
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    // Callers that count the size as word 0 find the device version at word 10.
    DWORD words[15] = {60};
    ASSERT_TRUE(BASS_GetInfo(reinterpret_cast<BASS_INFO *>(words)));
    EXPECT_GE(words[BASS_INFO_DSVER_WORD], 8u);
    EXPECT_EQ(words[14], 44100u);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// An end handler that waits for the user-interface thread, which is busy closing the
// program: the device goes away without waiting for the handler.
TEST_F(CAudioApiTest, ClosingWhileAnEndNoticeIsPendingDoesNotHang)
{
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    struct SBlocked {
        std::promise<void> entered;
        std::promise<void> release;
        std::shared_future<void> released{release.get_future().share()};
        std::atomic<BOOL> stopped{1};
        std::atomic<bool> done{false};
    };
    static SBlocked *blocked = nullptr;
    auto state = std::make_unique<SBlocked>();
    blocked = state.get();
    const std::u16string path = Utf16(CTestMedia::Path("short.wav"));
    const DWORD channel = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE);
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    BASS_ChannelSetSync(
        channel, BASS_SYNC_END, 0,
        [](HSYNC, DWORD ended, DWORD, void *) {
            blocked->entered.set_value();
            blocked->released.wait();
            blocked->stopped = BASS_ChannelStop(ended); // the channel is gone by now
            blocked->done = true;                       // the last touch of the state
        },
        nullptr);
    state->entered.get_future().wait();
    EXPECT_TRUE(BASS_Free());
    state->release.set_value();
    // The handler finishes on its own thread; give it the moment it needs.
    for (int i = 0; i < 400 && !state->done.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(state->done.load());
    EXPECT_FALSE(state->stopped.load());
    blocked = nullptr;
}

// The window title and the bit-rate pane come from these tags: ID3 and Vorbis comments
// alike, through the tempo channel that reads the stream, until the channel is freed.
TEST_F(CAudioApiTest, ChannelsTellTheTitleArtistAndBitRateTheFileCarries)
{
    using Tags = std::map<std::string, std::string>;
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    const auto open = [](const std::string &name) {
        const std::u16string path = Utf16(CTestMedia::Path(name));
        return BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_DECODE);
    };
    const HSTREAM mp3 = open("tagged.mp3");
    ASSERT_NE(mp3, 0u);
    Tags mp3Tags = MetaTags(mp3);
    // The overall rate counts the ID3 tag as well: a little above the frames' 64 kbit/s.
    EXPECT_NEAR(std::stoi(mp3Tags["bitrate"]), 64000, 640);
    mp3Tags.erase("bitrate");
    EXPECT_EQ(mp3Tags, (Tags{{"title", "Lesson 1"}, {"artist", "Speaker"}}));
    EXPECT_EQ(BASS_ChannelGetTags(mp3, 0), nullptr);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    const HSTREAM tempo = BASS_FX_TempoCreate(mp3, BASS_FX_FREESOURCE);
    EXPECT_EQ(MetaTags(tempo).at("title"), "Lesson 1");

    const HSTREAM opus = open("tagged.opus");
    const Tags opusTags = MetaTags(opus);
    EXPECT_EQ(opusTags.at("title"), "Lektion 3 – Übung");
    EXPECT_EQ(opusTags.at("artist"), "Sprecherin");
    EXPECT_GT(std::stoi(opusTags.at("bitrate")), 8000);

    // Untagged: only what the container measures.
    const HSTREAM wav = open("tone.wav");
    const Tags wavTags = MetaTags(wav);
    ASSERT_EQ(wavTags.size(), 1u);
    EXPECT_NEAR(std::stoi(wavTags.at("bitrate")), 705600, 200); // the header counts too
    const std::u16string module = Utf16(CTestMedia::Path("song.mod"));
    const HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, BASS_UNICODE, 0);
    EXPECT_EQ(MetaTags(music), (Tags{{"title", "test"}}));

    ASSERT_TRUE(BASS_StreamFree(tempo));
    EXPECT_EQ(MetaTags(tempo), (Tags{{"error", std::to_string(BASS_ERROR_HANDLE)}}));
}

// The runtime library through its exported entry points: with SDL's dummy driver, the
// device's answers, the tags, and a device freed while an end handler is blocked; on a
// real sound server (PulseAudio with a null sink, recorded from its monitor), the server
// dying while the learner listens and coming back, and items switching and the device
// freed while it is gone. What the program hears is the engine's tests' to measure.
#include "AudioApi.h"
#include "CPulseServer.h"
#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace
{
// A test file as a stream (the media live in a temporary folder with an ASCII path).
HSTREAM OpenStream(const char *name, DWORD flags = 0)
{
    const std::string path = CTestMedia::Path(name);
    return BASS_StreamCreateFile(0, std::u16string(path.begin(), path.end()).c_str(), 0, 0, BASS_UNICODE | flags);
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

constexpr double kSounding = 0.05;    // the 440 Hz tone at half scale has an RMS of 0.35
constexpr size_t kLevelFrames = 4410; // 100 ms

// Polls condition for at most the given time; true as soon as it holds.
bool HoldsWithin(std::chrono::milliseconds limit, const std::function<bool()> &condition)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Runs call on a thread of its own and waits for it. A call that has not returned after
// a long safety limit hangs: the test program ends there with a message, since the call
// still holds this test's state.
void Returns(const char *what, const std::function<void()> &call)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([call, done] {
        call();
        done->set_value();
    }).detach();
    if (finished.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "%s hangs\n", what);
        std::abort();
    }
}

class CAudioApiTest : public testing::Test
{
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { BASS_Free(); }
};

class COutputRecoveryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_pServer = std::make_unique<CPulseServer>();
        if (!m_pServer->Start())
            GTEST_SKIP() << "no PulseAudio server could be started here: " << m_pServer->Error();
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    }
    void TearDown() override
    {
        BASS_Free();
        m_pServer.reset();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    DWORD PlayLongTone()
    {
        const DWORD channel = OpenStream("long.wav");
        EXPECT_NE(channel, 0u);
        EXPECT_TRUE(BASS_ChannelPlay(channel, 0));
        return channel;
    }
    // The tone is heard on the sink within three seconds.
    bool HeardWithin3s()
    {
        return HoldsWithin(std::chrono::seconds(3), [this] { return Level() > kSounding; });
    }
    double Level() const { return m_pServer->RecentLevel(kLevelFrames); }
    static bool StateWithin3s(DWORD state)
    {
        return HoldsWithin(std::chrono::seconds(3), [state] { return QuillmereAudio_GetOutputState() == state; });
    }
    static double Seconds(DWORD channel)
    {
        return BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel));
    }

    std::unique_ptr<CPulseServer> m_pServer;
};

// The names of this process's threads that SDL runs for an open output device.
std::vector<std::string> SdlAudioThreads()
{
    std::vector<std::string> names;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) == 0)
            names.push_back(name);
    }
    return names;
}
} // namespace

TEST_F(CAudioApiTest, DeviceOpensOnceReportsItselfAndFailsCleanlyWithoutADriver)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    EXPECT_EQ(OpenStream("tone.wav"), 0u);
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
    const DWORD channel = OpenStream("short.wav");
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
    const HSTREAM mp3 = OpenStream("tagged.mp3", BASS_STREAM_DECODE);
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

    const HSTREAM opus = OpenStream("tagged.opus", BASS_STREAM_DECODE);
    const Tags opusTags = MetaTags(opus);
    EXPECT_EQ(opusTags.at("title"), "Lektion 3 – Übung");
    EXPECT_EQ(opusTags.at("artist"), "Sprecherin");
    EXPECT_GT(std::stoi(opusTags.at("bitrate")), 8000);

    // Untagged: only what the container measures.
    const HSTREAM wav = OpenStream("tone.wav", BASS_STREAM_DECODE);
    const Tags wavTags = MetaTags(wav);
    ASSERT_EQ(wavTags.size(), 1u);
    EXPECT_NEAR(std::stoi(wavTags.at("bitrate")), 705600, 200); // the header counts too
    const std::string module = CTestMedia::Path("song.mod");
    const HMUSIC music = BASS_MusicLoad(0, std::u16string(module.begin(), module.end()).c_str(), 0, 0, BASS_UNICODE, 0);
    EXPECT_EQ(MetaTags(music), (Tags{{"title", "test"}}));

    ASSERT_TRUE(BASS_StreamFree(tempo));
    EXPECT_EQ(MetaTags(tempo), (Tags{{"error", std::to_string(BASS_ERROR_HANDLE)}}));
}

// The channel waits where it was while the server is gone and plays on from there when
// it is back; a channel paused through the restart stays paused until resumed.
TEST_F(COutputRecoveryTest, PlayingGoesOnFromWhereItStoppedWhenTheServerComesBack)
{
    ASSERT_TRUE(m_pServer->StartRecording());
    const DWORD channel = PlayLongTone();
    ASSERT_TRUE(HeardWithin3s()) << Level();
    EXPECT_EQ(QuillmereAudio_GetOutputState(), DWORD{QUILLMERE_OUTPUT_OPEN});

    m_pServer->Kill();
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_LOST));
    // Nothing plays into the void meanwhile, across a reopening attempt: the channel
    // still plays, where it was.
    const double lostAt = Seconds(channel);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(BASS_ChannelIsActive(channel), DWORD{BASS_ACTIVE_PLAYING});
    EXPECT_LT(Seconds(channel) - lostAt, 0.1);

    ASSERT_TRUE(m_pServer->Start());
    ASSERT_TRUE(m_pServer->StartRecording());
    EXPECT_TRUE(HeardWithin3s()) << Level();
    EXPECT_EQ(QuillmereAudio_GetOutputState(), DWORD{QUILLMERE_OUTPUT_OPEN});
    // From the same place: it has moved on only by what was heard since.
    EXPECT_LT(Seconds(channel) - lostAt, 1.0);

    ASSERT_TRUE(BASS_ChannelPause(channel));
    m_pServer->Kill();
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_LOST));
    ASSERT_TRUE(m_pServer->Start());
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_OPEN));
    ASSERT_TRUE(m_pServer->StartRecording());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Level(), kSounding) << "still paused";
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    EXPECT_TRUE(HeardWithin3s()) << Level();
}

// Switching items and freeing the device at moments spread over the runtime's attempts
// to reopen it: while the server is gone, and just after it came back.
TEST_F(COutputRecoveryTest, ItemsSwitchAndTheDeviceIsFreedWhileLostAndWhileReconnecting)
{
    for (int delay : {0, 20, 300, 1000, 1500}) {
        DWORD channel = PlayLongTone();
        m_pServer->Kill();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        // Item switch, the way the engine does it, while the output is gone.
        Returns("an item switch while the output is lost", [&] {
            BASS_StreamFree(channel);
            channel = OpenStream("short.wav");
            BASS_ChannelPlay(channel, 0);
        });
        EXPECT_NE(channel, 0u);
        ASSERT_TRUE(m_pServer->Start());
        std::this_thread::sleep_for(std::chrono::milliseconds(delay / 2));
        Returns("BASS_Free while the output reconnects", [] { EXPECT_TRUE(BASS_Free()); });
        ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    }
    // Freed while lost, with no server to come back to.
    PlayLongTone();
    m_pServer->Kill();
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_LOST));
    Returns("BASS_Free while the output is lost", [] { EXPECT_TRUE(BASS_Free()); });
    EXPECT_EQ(QuillmereAudio_GetOutputState(), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// Nothing audible for the rest period closes the device and its threads, so the program
// at rest costs nothing; a channel played again opens it at once and goes on from where
// it was paused. While something plays the device never rests.
TEST_F(COutputRecoveryTest, AQuietOutputRestsAndWakesForTheNextPlay)
{
    ASSERT_TRUE(QuillmereAudio_SetOutputRest(300));
    ASSERT_TRUE(m_pServer->StartRecording());
    const DWORD channel = PlayLongTone();
    ASSERT_TRUE(HeardWithin3s()) << Level();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(QuillmereAudio_GetOutputState(), DWORD{QUILLMERE_OUTPUT_OPEN}) << "playing: no rest";

    ASSERT_TRUE(BASS_ChannelPause(channel));
    const double pausedAt = Seconds(channel);
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_RESTING));
    EXPECT_EQ(SdlAudioThreads(), std::vector<std::string>());
    EXPECT_EQ(BASS_ChannelIsActive(channel), DWORD{BASS_ACTIVE_PAUSED});

    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    EXPECT_EQ(QuillmereAudio_GetOutputState(), DWORD{QUILLMERE_OUTPUT_OPEN});
    ASSERT_TRUE(m_pServer->StartRecording());
    EXPECT_TRUE(HeardWithin3s()) << Level();
    const double resumedAt = Seconds(channel);
    EXPECT_GE(resumedAt, pausedAt);
    EXPECT_LT(resumedAt - pausedAt, 1.5);
}

// An analysis pass hands over every frame of the file and then its end, once; one ended
// early calls nothing more; a file that cannot be read says so.
TEST_F(CAudioApiTest, AnAnalysisPassHandsOverTheWholeFileOrNothingAfterItEnds)
{
    struct STally {
        std::atomic<uint64_t> frames{0};
        std::atomic<int> ends{0};
        std::atomic<DWORD> error{BASS_OK};
        std::atomic<bool> afterEnd{false};
        std::atomic<bool> ended{false};
    };
    const auto proc = [](HANALYSIS, const float *, DWORD frames, DWORD, DWORD error, void *user) {
        auto *tally = static_cast<STally *>(user);
        tally->afterEnd = tally->afterEnd || tally->ended;
        tally->frames += frames;
        if (frames == 0) {
            ++tally->ends;
            tally->error = error;
        }
    };
    const auto analyze = [&](const std::string &path, STally &tally) {
        return QuillmereAudio_AnalyzeFile(std::u16string(path.begin(), path.end()).c_str(), BASS_UNICODE, proc, &tally);
    };
    STally whole;
    const HANALYSIS pass = analyze(CTestMedia::Path("tone.wav"), whole);
    ASSERT_NE(pass, 0u);
    ASSERT_TRUE(HoldsWithin(std::chrono::seconds(10), [&] { return whole.ends.load() == 1; }));
    EXPECT_EQ(whole.frames.load(), 3u * 44100u);
    EXPECT_EQ(whole.error.load(), DWORD{BASS_OK});
    EXPECT_TRUE(QuillmereAudio_EndAnalysis(pass));
    EXPECT_FALSE(QuillmereAudio_EndAnalysis(pass)) << "ended once";

    STally early;
    const HANALYSIS cut = analyze(CTestMedia::Path("long.wav"), early);
    ASSERT_TRUE(QuillmereAudio_EndAnalysis(cut));
    early.ended = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(early.afterEnd.load());
    EXPECT_EQ(early.ends.load(), 0);

    STally missing;
    const HANALYSIS none = analyze("/nonexistent/lesson.mp3", missing);
    ASSERT_TRUE(HoldsWithin(std::chrono::seconds(10), [&] { return missing.ends.load() == 1; }));
    EXPECT_NE(missing.error.load(), DWORD{BASS_OK});
    QuillmereAudio_EndAnalysis(none);
    EXPECT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << "the threads are joined by BASS_Free";
}

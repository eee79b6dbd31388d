// The runtime library through its exported entry points: analysis passes with SDL's
// dummy driver; on a real sound server (PulseAudio with a null sink, recorded from its
// monitor), the server dying and coming back, items switching and the device freed while
// it is gone, and the device resting. What the program hears is the engine's tests'.
#include "AudioApi.h"
#include "CPulseServer.h"
#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace
{
// A test file as a stream (the media live in a temporary folder with an ASCII path).
HSTREAM OpenStream(const char *name)
{
    const std::string path = CTestMedia::Path(name);
    return BASS_StreamCreateFile(0, std::u16string(path.begin(), path.end()).c_str(), 0, 0, BASS_UNICODE);
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

// Runs call on a thread of its own and waits for it; one that has not returned after a
// long safety limit hangs, and ends the test program, as it still holds the test's state.
void Returns(const char *what, const std::function<void()> &call)
{
    auto task = std::make_shared<std::packaged_task<void()>>(call);
    std::future<void> done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
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

// The names of this process's threads that run for an open output device: SDL's, or
// the PulseAudio stream's.
std::vector<std::string> OutputThreads()
{
    std::vector<std::string> names;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) == 0 || name == "QuillmereOutput")
            names.push_back(name);
    }
    return names;
}
} // namespace

// The channel waits while the server is gone and plays on when it is back (heard, and
// from where it was, in the session's sound tests); one paused meanwhile stays paused.
TEST_F(COutputRecoveryTest, PlayingGoesOnFromWhereItStoppedWhenTheServerComesBack)
{
    ASSERT_TRUE(m_pServer->StartRecording());
    const DWORD channel = PlayLongTone();
    ASSERT_TRUE(HeardWithin3s()) << Level();
    m_pServer->Kill();
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_LOST));
    EXPECT_EQ(BASS_ChannelIsActive(channel), DWORD{BASS_ACTIVE_PLAYING});
    ASSERT_TRUE(BASS_ChannelPause(channel));
    ASSERT_TRUE(m_pServer->Start());
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_OPEN));
    ASSERT_TRUE(m_pServer->StartRecording());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Level(), kSounding) << "still paused";
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    EXPECT_TRUE(HeardWithin3s()) << Level();
}

// With no server to reach (none started yet) the output cannot open: BASS_Init says so
// at once instead of waiting or leaving a half-made connection; once the server is up
// the same process opens it.
TEST(COutputOpenTest, WithNoServerTheOpenFailsAndOnceItIsUpItOpens)
{
    CPulseServer server;
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    Returns("BASS_Init with no server", [] {
        EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
        EXPECT_EQ(BASS_ErrorGetCode(), DWORD{BASS_ERROR_DRIVER});
    });
    if (!server.Start())
        GTEST_SKIP() << "no PulseAudio server could be started here: " << server.Error();
    EXPECT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    BASS_Free();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
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

// Nothing audible for the rest period closes the device and its thread, so the program
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
    // The server is reached straight, not through SDL's driver, whose small requests wake
    // the program several times a buffer.
    EXPECT_EQ(OutputThreads(), std::vector<std::string>{"QuillmereOutput"});

    ASSERT_TRUE(BASS_ChannelPause(channel));
    const double pausedAt = Seconds(channel);
    ASSERT_TRUE(StateWithin3s(QUILLMERE_OUTPUT_RESTING));
    EXPECT_EQ(OutputThreads(), std::vector<std::string>());
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
        std::atomic<bool> ended{false}, afterEnd{false};
    };
    const auto analyze = [](const std::string &path, STally &tally) {
        const auto proc = [](HANALYSIS, const float *, DWORD frames, DWORD, DWORD error, void *user) {
            auto &counted = *static_cast<STally *>(user);
            counted.afterEnd = counted.afterEnd || counted.ended;
            counted.frames += frames;
            counted.ends += frames == 0 ? 1 : 0;
            if (frames == 0)
                counted.error = error;
        };
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

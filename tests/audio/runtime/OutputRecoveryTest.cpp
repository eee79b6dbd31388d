// The runtime through its entry points on a real sound server (PulseAudio with a null
// sink, recorded from its monitor): the server dies while the learner listens and comes
// back, and the recording goes on; items switch and the device is freed while it is gone.
#include "AudioApi.h"
#include "CPulseServer.h"
#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace
{
constexpr double kSounding = 0.05;    // the 440 Hz tone at half scale has an RMS of 0.35
constexpr size_t kLevelFrames = 4410; // 100 ms

std::u16string Utf16(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

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

class COutputRecoveryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_pServer = std::make_unique<CPulseServer>();
        if (!m_pServer->Start())
            GTEST_SKIP() << "no PulseAudio server could be started here, so the recovery of the sound output is not "
                            "tested: "
                         << m_pServer->Error();
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
        const std::u16string path = Utf16(CTestMedia::Path("long.wav"));
        const DWORD channel = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE);
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
    bool LostWithin3s()
    {
        return HoldsWithin(std::chrono::seconds(3),
                           [] { return QuillmereAudio_GetOutputState() == QUILLMERE_OUTPUT_LOST; });
    }
    static double Seconds(DWORD channel)
    {
        return BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel));
    }

    std::unique_ptr<CPulseServer> m_pServer;
};
} // namespace

TEST_F(COutputRecoveryTest, PlayingGoesOnFromWhereItStoppedWhenTheServerComesBack)
{
    ASSERT_TRUE(m_pServer->StartRecording());
    const DWORD channel = PlayLongTone();
    ASSERT_TRUE(HeardWithin3s()) << Level();
    EXPECT_EQ(QuillmereAudio_GetOutputState(), DWORD{QUILLMERE_OUTPUT_OPEN});

    m_pServer->Kill();
    ASSERT_TRUE(LostWithin3s());
    // Nothing plays into the void meanwhile: the channel still plays, where it was.
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
}

TEST_F(COutputRecoveryTest, PausedThroughTheRestartItPlaysWhenResumed)
{
    const DWORD channel = PlayLongTone();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(BASS_ChannelPause(channel));
    m_pServer->Kill();
    ASSERT_TRUE(LostWithin3s());
    ASSERT_TRUE(m_pServer->Start());
    ASSERT_TRUE(
        HoldsWithin(std::chrono::seconds(3), [] { return QuillmereAudio_GetOutputState() == QUILLMERE_OUTPUT_OPEN; }));
    ASSERT_TRUE(m_pServer->StartRecording());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Level(), kSounding); // still paused

    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    EXPECT_TRUE(HeardWithin3s()) << Level();
}

// Switching items and freeing the device at moments spread over the runtime's attempts
// to reopen it: while the server is gone, and just after it came back.
TEST_F(COutputRecoveryTest, ItemsSwitchAndTheDeviceIsFreedWhileLostAndWhileReconnecting)
{
    const std::u16string shortPath = Utf16(CTestMedia::Path("short.wav"));
    for (int delay : {0, 20, 300, 1000, 1500}) {
        DWORD channel = PlayLongTone();
        m_pServer->Kill();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        // Item switch, the way the engine does it, while the output is gone.
        Returns("an item switch while the output is lost", [&] {
            BASS_StreamFree(channel);
            channel = BASS_StreamCreateFile(0, shortPath.c_str(), 0, 0, BASS_UNICODE);
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
    ASSERT_TRUE(LostWithin3s());
    Returns("BASS_Free while the output is lost", [] { EXPECT_TRUE(BASS_Free()); });
    EXPECT_EQ(QuillmereAudio_GetOutputState(), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

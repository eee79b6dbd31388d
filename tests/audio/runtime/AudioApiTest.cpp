// The runtime library through its exported entry points with SDL's dummy driver:
// the device's answers, and a device freed while an end handler is blocked.
// What the program hears through them is the engine's tests' to measure.
#include "AudioApi.h"
#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace
{
// The test media live in a temporary folder with an ASCII path.
std::u16string Utf16(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
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

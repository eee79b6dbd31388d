// The playback engine through the real runtime libraries: the end of the
// channel handed to this thread while items switch and the engine closes.
// Which files open as what, lengths and sound are the runtime's own tests;
// the engine's choices between them, the fake runtime's.
#include "CTestMedia.h"
#include "EngineTestSupport.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace
{

class EngineRuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        m_pEngine = std::make_unique<CPlaybackEngine>();
        m_pEngine->SetEndHandler([this] { return m_answer(++m_nNotices); });
    }

    // The short item, 100 ms before its end.
    bool PlayShortItem()
    {
        return m_pEngine->Open(QString::fromStdString(CTestMedia::Path("short.wav"))) && m_pEngine->SetPosition(200) &&
               m_pEngine->Play(false);
    }

    // Waits, without running the event loop, until an end notice waits for us.
    static bool WaitForPendingNotice()
    {
        for (int i = 0; i < 6000 && CSyncHandOver::Instance().Pending() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return CSyncHandOver::Instance().Pending() == 1;
    }

    void TearDown() override { EXPECT_TRUE(m_prompt.m_messages.empty()); }

    CTestPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
    int m_nNotices = 0;
    std::function<int(int)> m_answer = [](int) { return 1; };
};

TEST_F(EngineRuntimeTest, OneNoticePerEndThenPlayingAgainOrStopAndRewind)
{
    // The first end is answered 0: the channel stays at its end. The second is
    // answered 1: the engine stops the channel and rewinds it.
    m_answer = [](int notice) { return notice == 1 ? 0 : 1; };
    ASSERT_TRUE(PlayShortItem());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pEngine->Pause());
        ASSERT_TRUE(m_pEngine->Play(false));
    }
    ASSERT_TRUE(PumpUntil([&] { return m_nNotices > 0 && m_pEngine->IsStopped(); }));
    EXPECT_EQ(m_nNotices, 1);
    ASSERT_TRUE(m_pEngine->Play(false));
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_LT(m_pEngine->GetPosition(), m_pEngine->GetLength());
    ASSERT_TRUE(PumpUntil([&] { return m_nNotices > 1 && m_pEngine->IsStopped() && m_pEngine->GetPosition() == 0; }));
    EXPECT_EQ(m_nNotices, 2);
}

TEST_F(EngineRuntimeTest, ItemsSwitchWhileChannelsEnd)
{
    // Every other notice opens the next item from the handler, the way the
    // playlist wraps round; meanwhile this thread switches items, some before
    // the end, some around it, some after it.
    m_answer = [this](int notice) { return notice % 2 == 0 ? int(PlayShortItem()) : 1; };
    for (int round = 0; round < 40; ++round) {
        ASSERT_TRUE(PlayShortItem());
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(round * 7 % 180);
        PumpUntil([&] { return std::chrono::steady_clock::now() >= until; });
    }
    EXPECT_GT(m_nNotices, 0);
    EXPECT_LE(m_nNotices, 80);
}

TEST_F(EngineRuntimeTest, SwitchingOrClosingDropsAPendingNotice)
{
    ASSERT_TRUE(PlayShortItem());
    ASSERT_TRUE(WaitForPendingNotice());
    ASSERT_TRUE(m_pEngine->Open(QString::fromStdString(CTestMedia::Path("tone.wav"))));
    EXPECT_EQ(CSyncHandOver::Instance().Pending(), 0);
    EXPECT_TRUE(m_pEngine->IsStopped());

    ASSERT_TRUE(PlayShortItem());
    ASSERT_TRUE(WaitForPendingNotice());
    m_pEngine.reset();
    PumpUntil([] { return true; });
    EXPECT_EQ(m_nNotices, 0);
}

} // namespace

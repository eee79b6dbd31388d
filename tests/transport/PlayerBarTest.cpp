// The control bar over a session on simulated time: its buttons raise their commands and
// show what the update handlers say (which are the session's own test), and its sliders
// reach the session and follow it.
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "support/CSimulatedTime.h"
#include "support/TestSupport.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CPlayerBar.h"
#include "transport/CVolumeCtrl.h"
#include "widgets/CImageButton.h"

#include <QTest>
#include <gtest/gtest.h>

namespace
{

class PlayerBarTest : public ::testing::Test
{
protected:
    PlayerBarTest()
    {
        m_settings.Volume = 40;
        m_settings.Mute = true;
        m_sim.session.InitDialog();
        m_bar.resize(700, CPlayerBar::BAR_HEIGHT);
        m_bar.show();
    }
    void TearDown() override { EXPECT_EQ(m_prompt.m_messages, QStringList()); }

    CImageButton &Button(unsigned id) { return *m_bar.Button(id); }
    void Click(unsigned id) { QTest::mouseClick(&Button(id), Qt::LeftButton); }
    // Opens a 3-second item and plays it, as at start-up.
    void PlayTone()
    {
        m_sim.player.m_lengths[m_paths[0]] = 3000;
        ASSERT_TRUE(m_sim.session.PlaylistReady(&m_paths));
        m_bar.UpdateButtonStates();
    }

    CRecordingPrompt m_prompt;
    CAppSettings m_settings;
    SSimulatedSession m_sim{m_settings};
    QStringList m_paths{QStringLiteral("/lessons/tone.wav")};
    CPlayerBar m_bar{m_sim.session};
};

TEST_F(PlayerBarTest, ButtonsLieLeftToRightRaiseTheirCommandsAndFollowTheWidth)
{
    const std::vector<unsigned> order = {
        IDC_PLAY_BUTTON,    IDC_PAUSE_BUTTON,    IDC_STOP,           IDC_PREV_ITEM,  IDC_NEXT_ITEM,
        IDC_START_LEFT,     IDC_SET_START,       IDC_SET_END,        IDC_END_RIGHT,  IDC_PREV_SELECTION,
        IDC_NEXT_SELECTION, IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_MUTE_BUTTON};
    std::vector<unsigned> ids, raised;
    int lastX = -1;
    for (const CImageButton *button : m_bar.Buttons()) {
        ids.push_back(button->CommandId());
        EXPECT_GT(button->x(), std::exchange(lastX, button->x())) << "left to right";
    }
    EXPECT_EQ(ids, order);

    m_bar.SetCommandRouting([&](unsigned id) { raised.push_back(id); },
                            [](unsigned id) {
                                CCmdUI state(id);
                                state.Enable(id != IDC_STOP);
                                state.SetCheck(id == IDC_PAUSE_BUTTON);
                                return state;
                            });
    m_bar.UpdateButtonStates();
    EXPECT_TRUE(Button(IDC_PAUSE_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck()) << "muted in the settings, released by the handler";
    for (unsigned id : order)
        Click(id);
    std::erase(ids, IDC_STOP);
    EXPECT_EQ(raised, ids);

    m_bar.resize(900, CPlayerBar::BAR_HEIGHT);
    EXPECT_EQ(m_bar.PositionSlider()->geometry(), QRect(8, 0, 884, 34));
}

TEST_F(PlayerBarTest, ButtonStatesFollowTheUpdateHandlersAndMuteAndVolumeReachTheSettings)
{
    m_bar.UpdateButtonStates();
    EXPECT_FALSE(Button(IDC_PLAY_BUTTON).isEnabled()) << "no item open";
    EXPECT_TRUE(Button(IDC_MUTE_BUTTON).GetCheck()) << "muted from the settings";
    PlayTone();
    const auto playAndPause = [this] {
        return std::pair(Button(IDC_PLAY_BUTTON).GetCheck(), Button(IDC_PAUSE_BUTTON).GetCheck());
    };
    EXPECT_EQ(playAndPause(), std::pair(true, false));
    Click(IDC_PAUSE_BUTTON);
    EXPECT_TRUE(m_sim.player.IsPaused());
    EXPECT_EQ(playAndPause(), std::pair(false, true));
    Click(IDC_PLAY_BUTTON);
    EXPECT_EQ(playAndPause(), std::pair(true, false));

    for (bool muted : {false, true}) {
        Click(IDC_MUTE_BUTTON);
        EXPECT_EQ(m_settings.Mute, muted);
        EXPECT_EQ(Button(IDC_MUTE_BUTTON).GetCheck(), muted);
    }
    m_bar.activateWindow(); // a click may take the focus only in an active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_bar));
    CVolumeCtrl &volume = *m_bar.VolumeSlider();
    EXPECT_EQ(volume.value(), 40) << "from the settings";
    QTest::mouseClick(&volume, Qt::LeftButton, {}, {volume.width() - 1, volume.height() / 2});
    EXPECT_EQ(m_settings.Volume, 100);
    EXPECT_FALSE(volume.hasFocus()) << "the focus stays with the editor";
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck());
    m_sim.session.ExecuteIfEnabled(ID_VOLUME_DOWN);
    EXPECT_EQ(volume.value(), 95) << "the shortcut moves the slider";
}

// A click seeks and the thumb follows the playing position. Dragged with Shift or the right button, a
// stretch is chosen and loops from its start, whichever way the drag went, and shows until Stop.
TEST_F(PlayerBarTest, ASliderClickSeeksAndADragWithShiftOrTheRightButtonChoosesAStretch)
{
    PlayTone();
    CNiceSliderCtrl &slider = *m_bar.PositionSlider();
    const int y = slider.height() / 2;
    const auto xOf = [&](double share) { return int(slider.width() * share); };
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {xOf(0.5), y});
    EXPECT_NEAR(m_sim.player.GetPosition(), 1500, 150) << "half way into 3 s";
    m_sim.clock.Advance(500);
    EXPECT_NEAR(slider.value(), 2000, 150) << "the thumb follows the playing position";

    QTest::mousePress(&slider, Qt::LeftButton, Qt::ShiftModifier, {xOf(0.75), y});
    QTest::mouseMove(&slider, {xOf(0.25), y});
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::ShiftModifier, {xOf(0.25), y});
    const SAbRange first = m_sim.session.Range();
    EXPECT_TRUE(first.bActive);
    EXPECT_NEAR(first.dwStart, 750, 60);
    EXPECT_NEAR(first.dwEnd, 2250, 60);
    EXPECT_EQ(m_sim.player.GetPosition(), first.dwStart);

    QTest::mousePress(&slider, Qt::RightButton, {}, {xOf(0.1), y});
    QTest::mouseRelease(&slider, Qt::RightButton, {}, {xOf(0.5), y});
    EXPECT_NEAR(m_sim.session.Range().dwStart, 300, 60);
    EXPECT_EQ(slider.SelectionStart(), int(m_sim.session.Range().dwStart));
    EXPECT_TRUE(slider.IsSelectionShown());
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {xOf(0.3), y});
    EXPECT_NEAR(m_sim.session.Range().dwStart, 300, 60) << "a plain click only moves the position";

    Click(IDC_STOP);
    EXPECT_FALSE(slider.IsSelectionShown());
}

} // namespace

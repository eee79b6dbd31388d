// The control bar's widgets over a session on simulated time: its buttons
// raise their commands and show what the update handlers say, and its sliders
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
#include <memory>

namespace
{

// The buttons in the bar's order, left to right.
const std::vector<unsigned> BAR_ORDER = {
    IDC_PLAY_BUTTON,    IDC_PAUSE_BUTTON,    IDC_STOP,           IDC_PREV_ITEM,  IDC_NEXT_ITEM,
    IDC_START_LEFT,     IDC_SET_START,       IDC_SET_END,        IDC_END_RIGHT,  IDC_PREV_SELECTION,
    IDC_NEXT_SELECTION, IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_MUTE_BUTTON};

class PlayerBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings.Volume = 40;
        m_settings.Mute = true;
        m_pBar = std::make_unique<CPlayerBar>(m_sim.session);
        m_sim.session.InitDialog();
        m_pBar->resize(700, CPlayerBar::BAR_HEIGHT);
        m_pBar->show();
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_prompt.m_messages.empty()) << m_prompt.m_messages.join(u'\n').toStdString();
    }

    CImageButton &Button(unsigned id) { return *m_pBar->Button(id); }
    void Click(unsigned id) { QTest::mouseClick(&Button(id), Qt::LeftButton); }
    // Opens a 3-second item and plays it, as at start-up.
    void PlayTone()
    {
        m_paths = {QStringLiteral("/lessons/tone.wav")};
        m_sim.player.m_lengths[m_paths[0]] = 3000;
        ASSERT_TRUE(m_sim.session.PlaylistReady(&m_paths));
        m_pBar->UpdateButtonStates();
    }

    CRecordingPrompt m_prompt;
    CAppSettings m_settings;
    SSimulatedSession m_sim{m_settings};
    QStringList m_paths;
    std::unique_ptr<CPlayerBar> m_pBar;
};

TEST_F(PlayerBarTest, ButtonsLieLeftToRightRaiseTheirCommandsAndFollowTheWidth)
{
    std::vector<unsigned> ids, raised;
    int lastX = -1;
    for (const CImageButton *button : m_pBar->Buttons()) {
        ids.push_back(button->CommandId());
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->CommandId();
        EXPECT_GT(button->x(), lastX) << "left to right";
        lastX = button->x();
    }
    EXPECT_EQ(ids, BAR_ORDER);

    m_pBar->SetCommandRouting([&](unsigned id) { raised.push_back(id); },
                              [](unsigned id) {
                                  CCmdUI state(id);
                                  state.Enable(id != IDC_STOP);
                                  state.SetCheck(id == IDC_PAUSE_BUTTON);
                                  return state;
                              });
    m_pBar->UpdateButtonStates();
    EXPECT_TRUE(Button(IDC_PAUSE_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck()) << "muted in the settings, released by the handler";
    for (unsigned id : BAR_ORDER)
        Click(id);
    std::vector<unsigned> enabled = BAR_ORDER;
    std::erase(enabled, IDC_STOP);
    EXPECT_EQ(raised, enabled);

    m_pBar->resize(900, CPlayerBar::BAR_HEIGHT);
    EXPECT_EQ(m_pBar->PositionSlider()->geometry(), QRect(8, 0, 884, 34));
    EXPECT_EQ(m_pBar->VolumeSlider()->geometry(), QRect(807, 33, 85, 25));
    EXPECT_GT(Button(IDC_MUTE_BUTTON).x(), Button(IDC_SAVE_SELECTION).geometry().right());
}

TEST_F(PlayerBarTest, ButtonStatesFollowTheUpdateHandlers)
{
    m_pBar->UpdateButtonStates();
    EXPECT_FALSE(Button(IDC_PLAY_BUTTON).isEnabled()) << "no item open";
    EXPECT_TRUE(Button(IDC_MUTE_BUTTON).GetCheck()) << "muted from the settings";

    PlayTone();
    for (unsigned id : {IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, IDC_STOP, IDC_SET_START, IDC_SET_END})
        EXPECT_TRUE(Button(id).isEnabled()) << id;
    for (unsigned id : {IDC_PREV_ITEM, IDC_NEXT_ITEM, IDC_START_LEFT, IDC_CLEAR_SELECTION})
        EXPECT_FALSE(Button(id).isEnabled()) << id;
    EXPECT_TRUE(Button(IDC_PLAY_BUTTON).GetCheck());

    Click(IDC_PAUSE_BUTTON);
    EXPECT_TRUE(m_sim.player.IsPaused());
    EXPECT_FALSE(Button(IDC_PLAY_BUTTON).GetCheck());
    EXPECT_TRUE(Button(IDC_PAUSE_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_SET_START).isEnabled()) << "only while playing";

    Click(IDC_PLAY_BUTTON);
    EXPECT_TRUE(Button(IDC_PLAY_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_PAUSE_BUTTON).GetCheck());
}

TEST_F(PlayerBarTest, MuteButtonAndVolumeClickReachTheSettings)
{
    Click(IDC_MUTE_BUTTON);
    EXPECT_FALSE(m_settings.Mute);
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck());
    Click(IDC_MUTE_BUTTON);
    EXPECT_TRUE(m_settings.Mute);
    EXPECT_TRUE(Button(IDC_MUTE_BUTTON).GetCheck());

    m_pBar->activateWindow(); // a click may take the focus only in an active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pBar.get()));
    CVolumeCtrl &volume = *m_pBar->VolumeSlider();
    EXPECT_EQ(volume.value(), 40) << "from the settings";
    QTest::mouseClick(&volume, Qt::LeftButton, {}, {volume.width() - 1, volume.height() / 2});
    EXPECT_EQ(m_settings.Volume, 100);
    EXPECT_FALSE(volume.hasFocus()) << "the focus stays with the editor";
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck());
    m_sim.session.ExecuteIfEnabled(ID_VOLUME_DOWN);
    EXPECT_EQ(volume.value(), 95) << "the shortcut moves the slider";
}

TEST_F(PlayerBarTest, SliderClickSeeksAndSelectionShows)
{
    PlayTone();
    CNiceSliderCtrl &slider = *m_pBar->PositionSlider();
    EXPECT_EQ(slider.maximum(), int(m_sim.player.GetLength()));
    QTest::mousePress(&slider, Qt::LeftButton, {}, {slider.width() / 2, slider.height() / 2});
    EXPECT_TRUE(slider.IsDragging());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, {slider.width() / 2, slider.height() / 2});
    EXPECT_NEAR(m_sim.player.GetPosition(), 1500, 150) << "half way into 3 s";
    m_sim.clock.Advance(500);
    EXPECT_NEAR(slider.value(), 2000, 150) << "the thumb follows the playing position";

    m_sim.session.PlaySelection(1000, 2000);
    EXPECT_TRUE(slider.IsSelectionShown());
    EXPECT_EQ(slider.SelectionStart(), 1000);
    EXPECT_EQ(slider.SelectionEnd(), 2000);

    Click(IDC_STOP);
    EXPECT_FALSE(slider.IsSelectionShown());
    EXPECT_EQ(slider.value(), 0);
}

// Dragged with Shift or the right button across the slider, a stretch is chosen and
// loops from its start, whichever way the drag went; the listed stretches are marked.
TEST_F(PlayerBarTest, DraggingWithShiftOrTheRightButtonChoosesAStretch)
{
    PlayTone();
    CNiceSliderCtrl &slider = *m_pBar->PositionSlider();
    const int y = slider.height() / 2;
    const auto xOf = [&](double share) { return int(slider.width() * share); };
    QTest::mousePress(&slider, Qt::LeftButton, Qt::ShiftModifier, {xOf(0.75), y});
    QTest::mouseMove(&slider, {xOf(0.25), y});
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::ShiftModifier, {xOf(0.25), y});
    const SAbRange first = m_sim.session.Range();
    EXPECT_TRUE(first.bActive);
    EXPECT_NEAR(first.dwStart, 750, 60);
    EXPECT_NEAR(first.dwEnd, 2250, 60);
    EXPECT_EQ(m_sim.player.GetPosition(), first.dwStart);
    EXPECT_TRUE(m_sim.player.IsPlaying());

    QTest::mousePress(&slider, Qt::RightButton, {}, {xOf(0.1), y});
    QTest::mouseRelease(&slider, Qt::RightButton, {}, {xOf(0.5), y});
    EXPECT_NEAR(m_sim.session.Range().dwStart, 300, 60);
    EXPECT_EQ(slider.SelectionStart(), int(m_sim.session.Range().dwStart));

    m_sim.session.PlaySelection(1000, 2000);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, {xOf(0.5), y});
    EXPECT_EQ(m_sim.session.Range().dwStart, 1000u) << "a plain click only moves the position";
}

} // namespace

// The control bar's widgets on the real engine: its buttons raise their
// commands and show what the update handlers say, its sliders reach the
// transport control, and what belongs to other windows reaches the outer view.
#include "CTestMedia.h"
#include "app/CAppSettings.h"
#include "app/CCommandTable.h"
#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "support/TestSupport.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CPlayerBar.h"
#include "transport/CTransportControl.h"
#include "transport/CVolumeCtrl.h"
#include "widgets/CImageButton.h"

#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace
{

// The buttons in the bar's order, left to right.
const std::vector<unsigned> BAR_ORDER = {
    IDC_PLAY_BUTTON,    IDC_PAUSE_BUTTON,    IDC_STOP,           IDC_PREV_ITEM,  IDC_NEXT_ITEM,
    IDC_START_LEFT,     IDC_SET_START,       IDC_SET_END,        IDC_END_RIGHT,  IDC_PREV_SELECTION,
    IDC_NEXT_SELECTION, IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_MUTE_BUTTON};

// The status bar, selection list, effects bar and playlist pane as the frame would show them.
class COuterView final : public ITransportView
{
public:
    void SetPaneText(int pane, const QString &text) override { m_panes[pane] = text; }
    void SetSliderRange(std::uint32_t) override { ADD_FAILURE() << "the bar's own"; }
    void SetSliderPos(std::uint32_t) override { ADD_FAILURE() << "the bar's own"; }
    void SetSliderSelection(bool, std::uint32_t, std::uint32_t) override { ADD_FAILURE() << "the bar's own"; }
    bool IsSliderDragging() const override { return false; }
    void SetButtonCheck(unsigned, bool) override { ADD_FAILURE() << "the bar's own"; }
    void SetMuteImage(bool) override { ADD_FAILURE() << "the bar's own"; }
    void SetVolumePos(int) override { ADD_FAILURE() << "the bar's own"; }
    void FillSelectionList(const std::vector<CSelectionSpan> &rows) override { m_rows = rows; }
    void AddSelection(std::uint32_t start, std::uint32_t end) override { m_rows.push_back({start, end}); }
    void EnableEffectsForRate(std::uint32_t sampleRate) override { m_nSampleRate = sampleRate; }
    bool OpenDictationText(int) override { return true; }
    bool SetCurrentItem(int index) override { return index == 0; }

    std::map<int, QString> m_panes;
    std::vector<CSelectionSpan> m_rows;
    std::uint32_t m_nSampleRate = 0;
};

class PlayerBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings.Volume = 40;
        m_settings.Mute = true;
        m_pBar = std::make_unique<CPlayerBar>(m_settings, m_outer);
        m_pBar->resize(700, CPlayerBar::BAR_HEIGHT);
        m_pBar->show();
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_prompt.m_messages.empty()) << m_prompt.m_messages.join(u'\n').toStdString();
    }

    CImageButton &Button(unsigned id) { return *m_pBar->Button(id); }
    void Click(unsigned id) { QTest::mouseClick(&Button(id), Qt::LeftButton); }
    // Opens a 3-second tone and plays it, as at start-up.
    void PlayTone()
    {
        m_paths = {QString::fromStdString(CTestMedia::Path("tone.wav"))};
        ASSERT_TRUE(m_pBar->Control().PlaylistReady(&m_paths));
        m_pBar->UpdateButtonStates();
    }

    CRecordingPrompt m_prompt;
    CAppSettings m_settings;
    COuterView m_outer;
    QStringList m_paths;
    std::unique_ptr<CPlayerBar> m_pBar;
};

TEST_F(PlayerBarTest, ButtonsInOrderWithTooltipsAndNames)
{
    std::vector<unsigned> ids;
    int lastX = -1;
    for (const CImageButton *button : m_pBar->Buttons()) {
        ids.push_back(button->CommandId());
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->CommandId();
        EXPECT_EQ(button->toolTip(), CommandTable::Tooltip(button->CommandId()));
        EXPECT_GT(button->x(), lastX) << "left to right";
        lastX = button->x();
    }
    EXPECT_EQ(ids, BAR_ORDER);
    EXPECT_FALSE(m_pBar->PositionSlider()->accessibleName().isEmpty());
    EXPECT_FALSE(m_pBar->VolumeSlider()->accessibleName().isEmpty());
}

TEST_F(PlayerBarTest, LayoutFollowsTheWidth)
{
    m_pBar->resize(900, CPlayerBar::BAR_HEIGHT);
    EXPECT_EQ(m_pBar->PositionSlider()->geometry(), QRect(8, 0, 884, 34));
    EXPECT_EQ(m_pBar->VolumeSlider()->geometry(), QRect(807, 33, 85, 25));
    EXPECT_EQ(Button(IDC_MUTE_BUTTON).x(), 775);
    EXPECT_GT(Button(IDC_MUTE_BUTTON).x(), Button(IDC_SAVE_SELECTION).geometry().right());
}

TEST_F(PlayerBarTest, EachButtonRaisesItsCommand)
{
    std::vector<unsigned> raised;
    m_pBar->SetCommandRouting([&](unsigned id) { raised.push_back(id); },
                              [](unsigned id) {
                                  CCmdUI state(id);
                                  state.Enable();
                                  return state;
                              });
    m_pBar->UpdateButtonStates();
    for (unsigned id : BAR_ORDER)
        Click(id);
    EXPECT_EQ(raised, BAR_ORDER);
}

TEST_F(PlayerBarTest, ButtonStatesFollowTheUpdateHandlers)
{
    m_pBar->UpdateButtonStates();
    for (unsigned id : BAR_ORDER)
        EXPECT_EQ(Button(id).isEnabled(), id == IDC_MUTE_BUTTON) << "no item open: " << id;
    EXPECT_TRUE(Button(IDC_MUTE_BUTTON).GetCheck()) << "muted from the settings";

    PlayTone();
    for (unsigned id : {IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, IDC_STOP, IDC_SET_START, IDC_SET_END})
        EXPECT_TRUE(Button(id).isEnabled()) << id;
    for (unsigned id : {IDC_PREV_ITEM, IDC_NEXT_ITEM, IDC_START_LEFT, IDC_CLEAR_SELECTION})
        EXPECT_FALSE(Button(id).isEnabled()) << id;
    EXPECT_TRUE(Button(IDC_PLAY_BUTTON).GetCheck());

    Click(IDC_PAUSE_BUTTON);
    EXPECT_TRUE(m_pBar->Control().Engine().IsPaused());
    EXPECT_FALSE(Button(IDC_PLAY_BUTTON).GetCheck());
    EXPECT_TRUE(Button(IDC_PAUSE_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_SET_START).isEnabled()) << "only while playing";

    Click(IDC_PLAY_BUTTON);
    EXPECT_TRUE(Button(IDC_PLAY_BUTTON).GetCheck());
    EXPECT_FALSE(Button(IDC_PAUSE_BUTTON).GetCheck());
}

TEST_F(PlayerBarTest, MuteButtonTurnsMutingOver)
{
    Click(IDC_MUTE_BUTTON);
    EXPECT_FALSE(m_settings.Mute);
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck());
    Click(IDC_MUTE_BUTTON);
    EXPECT_TRUE(m_settings.Mute);
    EXPECT_TRUE(Button(IDC_MUTE_BUTTON).GetCheck());
}

TEST_F(PlayerBarTest, VolumeClickSetsTheVolumeAndEndsMuting)
{
    EXPECT_EQ(m_pBar->VolumeSlider()->value(), 40) << "from the settings";
    CVolumeCtrl &volume = *m_pBar->VolumeSlider();
    QTest::mouseClick(&volume, Qt::LeftButton, {}, {volume.width() - 1, volume.height() / 2});
    EXPECT_EQ(m_settings.Volume, 100);
    EXPECT_FALSE(m_settings.Mute);
    EXPECT_FALSE(Button(IDC_MUTE_BUTTON).GetCheck());

    m_pBar->Control().ExecuteIfEnabled(ID_VOLUME_DOWN);
    EXPECT_EQ(volume.value(), 95) << "the shortcut moves the slider";
    EXPECT_EQ(m_settings.Volume, 95);
}

TEST_F(PlayerBarTest, SliderClickSeeksAndSelectionShows)
{
    PlayTone();
    CNiceSliderCtrl &slider = *m_pBar->PositionSlider();
    EXPECT_EQ(slider.maximum(), int(m_pBar->Control().Engine().GetLength()));
    QTest::mousePress(&slider, Qt::LeftButton, {}, {slider.width() / 2, slider.height() / 2});
    EXPECT_TRUE(m_pBar->IsSliderDragging());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, {slider.width() / 2, slider.height() / 2});
    EXPECT_NEAR(m_pBar->Control().Engine().GetPosition(), 1500, 150) << "half way into 3 s";

    m_pBar->Control().PlaySelection(1000, 2000);
    EXPECT_TRUE(slider.IsSelectionShown());
    EXPECT_EQ(slider.SelectionStart(), 1000);
    EXPECT_EQ(slider.SelectionEnd(), 2000);
    EXPECT_EQ(m_outer.m_panes[ITransportView::PANE_SEL_START], QStringLiteral("00:01"));

    Click(IDC_STOP);
    EXPECT_FALSE(slider.IsSelectionShown());
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(m_outer.m_panes[ITransportView::PANE_SEL_START], QStringLiteral("选择起点"));
}

} // namespace

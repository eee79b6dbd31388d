// The effects bar: the panel's ranges, labels, enabling and reset against a
// recording target; the bar's scrolling; and, in the whole program on the
// real engine, what the sliders do to the sound.
#include "ProgramTest.h"

#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CEffectsBar.h"
#include "frame/CEffectsPanel.h"
#include "views/CPlaylistView.h"
#include "widgets/CImageButton.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QWheelEvent>

namespace
{

using P = CEffectsPanel;

// Records what the panel sends; tempo changes apply while m_bPlaying.
class CRecordingEffectsTarget final : public IEffectsTarget
{
public:
    bool SetTempo(const STempoChange &change) override
    {
        m_tempos.push_back(change);
        return m_bPlaying;
    }
    void SetEffect(unsigned kind, int value) override { m_effects.emplace_back(kind, value); }

    bool m_bPlaying = false;
    std::vector<STempoChange> m_tempos;
    std::vector<std::pair<unsigned, int>> m_effects;
};

class EffectsPanelTest : public testing::Test
{
protected:
    QSlider &Slider(unsigned id) { return *m_panel.Slider(id); }
    QString Label(unsigned id) { return m_panel.Label(id)->text(); }
    // The sliders' positions (speed, rate, pitch, reverb, 125 Hz, 1 kHz,
    // 8 kHz) and the three value labels, as the learner sees them.
    QString Shown()
    {
        QStringList shown;
        for (unsigned id : {P::IDC_SPEED_SLIDER, P::IDC_RATE_SLIDER, P::IDC_PITCH_SLIDER, P::IDC_REVERB_SLIDER,
                            P::IDC_EQ_125_SLIDER, P::IDC_EQ_1K_SLIDER, P::IDC_EQ_8K_SLIDER})
            shown << QString::number(Slider(id).value());
        for (unsigned id : {P::IDC_SPEED_LABEL, P::IDC_RATE_LABEL, P::IDC_PITCH_LABEL})
            shown << Label(id);
        return shown.join(QLatin1Char('|'));
    }
    bool AllEnabled(bool enabled)
    {
        bool all = m_panel.ResetButton()->isEnabled() == enabled;
        for (unsigned id = P::IDC_SPEED_SLIDER; id <= P::IDC_REVERB_SLIDER; ++id)
            all = all && Slider(id).isEnabled() == enabled;
        return all;
    }

    CRecordingEffectsTarget m_target;
    CEffectsPanel m_panel{m_target};
};

// A tracker module plays at its own speed: the controls that could not act on
// it are disabled rather than showing a speed the sound never takes.
TEST_F(EffectsPanelTest, OpeningAnItemShowsItsOwnValuesTheTruncatedRateRangeAndWhatCanAct)
{
    const struct {
        std::uint32_t rate;
        int minimum, maximum;
        bool tempo;
    } cases[] = {{44100, 30869, 57330, true}, {22050, 15434, 28665, false}, {48000, 33600, 62400, true}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.rate);
        Slider(P::IDC_PITCH_SLIDER).setValue(2);
        m_panel.EnableForRate(test.rate, test.tempo);
        EXPECT_EQ(Slider(P::IDC_RATE_SLIDER).minimum(), test.minimum);
        EXPECT_EQ(Slider(P::IDC_RATE_SLIDER).maximum(), test.maximum);
        EXPECT_EQ(Shown(), QStringLiteral("60|%1|15|0|10|10|10|= 0%|= %1Hz|= 0 Semitones").arg(test.rate));
        for (unsigned id : {P::IDC_SPEED_SLIDER, P::IDC_RATE_SLIDER, P::IDC_PITCH_SLIDER})
            EXPECT_EQ(Slider(id).isEnabled(), test.tempo) << id;
        for (unsigned id : {P::IDC_REVERB_SLIDER, P::IDC_EQ_125_SLIDER, P::IDC_EQ_1K_SLIDER, P::IDC_EQ_8K_SLIDER})
            EXPECT_TRUE(Slider(id).isEnabled()) << id;
        EXPECT_TRUE(m_panel.ResetButton()->isEnabled());
    }
}

TEST_F(EffectsPanelTest, LabelsAndTempoFollowTheSlidersEvenWhenNothingPlays)
{
    m_panel.EnableForRate(44100);
    const struct {
        unsigned slider;
        int position;
        unsigned label;
        const char *text;
        STempoChange sent;
    } cases[] = {
        {P::IDC_SPEED_SLIDER, 75, P::IDC_SPEED_LABEL, "= 15%", {15, 44100, 0}},
        {P::IDC_SPEED_SLIDER, 0, P::IDC_SPEED_LABEL, "= -60%", {-60, 44100, 0}},
        {P::IDC_PITCH_SLIDER, 3, P::IDC_PITCH_LABEL, "= -12 Semitones", {-60, 44100, -12}},
        {P::IDC_RATE_SLIDER, 30869, P::IDC_RATE_LABEL, "= 30869Hz", {-60, 30869, -12}},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.text);
        m_target.m_tempos.clear();
        Slider(test.slider).setValue(test.position);
        EXPECT_EQ(Label(test.label), QLatin1String(test.text));
        EXPECT_EQ(m_target.m_tempos, std::vector<STempoChange>{test.sent});
    }
    EXPECT_TRUE(m_target.m_effects.empty());
}

// Reset works only while playing. Emptying the list disables the panel and resets the
// effect sliders without telling the engine; the tempo sliders keep their places.
TEST_F(EffectsPanelTest, ResetAllWorksOnlyWhilePlayingAndAnEmptiedListDisablesAll)
{
    EXPECT_TRUE(AllEnabled(false));
    m_panel.EnableForRate(44100);
    EXPECT_TRUE(AllEnabled(true));
    Slider(P::IDC_SPEED_SLIDER).setValue(30);
    Slider(P::IDC_PITCH_SLIDER).setValue(20);
    Slider(P::IDC_RATE_SLIDER).setValue(40000);
    Slider(P::IDC_REVERB_SLIDER).setValue(5);
    Slider(P::IDC_EQ_125_SLIDER).setValue(18);
    Slider(P::IDC_EQ_1K_SLIDER).setValue(3);
    const QString before = Shown();
    m_target.m_tempos.clear();
    m_target.m_effects.clear();

    m_panel.ResetButton()->click();
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(m_target.m_tempos, (std::vector<STempoChange>{{0, 44100, 0}}));
    m_panel.DisableAll();
    EXPECT_TRUE(AllEnabled(false));
    EXPECT_EQ(Shown(), QStringLiteral("30|40000|20|0|10|10|10|= -30%|= 40000Hz|= 5 Semitones"));
    EXPECT_TRUE(m_target.m_effects.empty()) << "the engine is not told";

    m_panel.EnableForRate(44100);
    Slider(P::IDC_SPEED_SLIDER).setValue(30);
    Slider(P::IDC_REVERB_SLIDER).setValue(5);
    m_target.m_effects.clear();
    m_target.m_bPlaying = true;
    m_panel.ResetButton()->click();
    EXPECT_EQ(Shown(), QStringLiteral("60|44100|15|0|10|10|10|= 0%|= 44100Hz|= 0 Semitones"));
    using Effect = std::pair<unsigned, int>;
    EXPECT_EQ(m_target.m_effects, (std::vector<Effect>{{0, 10}, {1, 10}, {2, 10}, {3, 0}}));
}

// --------------------------------------------------------------------- bar

class EffectsBarTest : public testing::Test
{
protected:
    void ShowWithHiddenPart(int hidden)
    {
        m_bar.show();
        // The viewport's height grows with the bar's, pixel for pixel.
        m_bar.resize(m_bar.sizeHint().width(), 400);
        const int viewport = m_bar.Viewport()->height();
        m_bar.resize(m_bar.width(), 400 - viewport + m_bar.Panel().height() - hidden);
        ASSERT_EQ(m_bar.Panel().height() - m_bar.Viewport()->height(), hidden);
    }
    void Wheel(int delta)
    {
        QWheelEvent event(QPointF(20, 100), m_bar.mapToGlobal(QPointF(20, 100)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&m_bar, &event);
    }
    int PanelY() { return m_bar.Panel().y(); }

    CRecordingEffectsTarget m_target;
    CEffectsBar m_bar{m_target};
};

TEST_F(EffectsBarTest, ScrollingMovesTwentyPixelsAndStopsAtBothEnds)
{
    ShowWithHiddenPart(50);
    m_bar.ScrollUp();
    EXPECT_EQ(m_bar.ScrollOffset(), 0);

    // Three steps show the last 50 pixels; a fourth finds nothing hidden.
    m_bar.DownButton()->click();
    EXPECT_TRUE(m_bar.ExecuteIfEnabled(IDC_SCROLL_DOWN));
    Wheel(-120);
    EXPECT_EQ(PanelY(), -60);
    m_bar.ScrollDown();
    EXPECT_EQ(PanelY(), -60);

    Wheel(120);
    m_bar.UpButton()->click();
    EXPECT_EQ(PanelY(), -20);
    for (int i = 0; i < 3; ++i)
        m_bar.ScrollUp();
    EXPECT_EQ(PanelY(), 0);

    // A panel that fits does not move.
    ShowWithHiddenPart(0);
    m_bar.ScrollDown();
    EXPECT_EQ(PanelY(), 0);
}

// ------------------------------------------------------------ the program

// The whole program with one 10-second item, the remembered one, loaded stopped.
class EffectsInProgramTest : public CProgramTest
{
protected:
    void SetUp() override
    {
        ListLessons(m_dir, {{"long.wav", QStringLiteral("a.wav")}});
        Start();
    }

    CEffectsPanel &Panel() { return m_pApp->EffectsBar().Panel(); }
    CPlaybackEngine &Engine() { return m_pApp->Engine(); }
    // Milliseconds of the item heard in about a second of playing.
    std::uint32_t PlayedInASecond()
    {
        const std::uint32_t start = Engine().GetPosition();
        QTest::qWait(1000);
        return Engine().GetPosition() - start;
    }
};

TEST_F(EffectsInProgramTest, SlidersReachTheEngineAPausedSpeedIsHeardOnResumingAndAnEmptiedListDisablesTheBar)
{
    EXPECT_TRUE(Panel().ResetButton()->isEnabled());
    EXPECT_EQ(Panel().Label(P::IDC_RATE_LABEL)->text(), QStringLiteral("= 44100Hz"));
    // The reverb slider turns the mix up; the engine's value turns it down.
    Panel().Slider(P::IDC_REVERB_SLIDER)->setValue(14);
    EXPECT_EQ(Engine().EffectValue(CPlaybackEngine::EFFECT_REVERB), 6);
    Panel().Slider(P::IDC_EQ_125_SLIDER)->setValue(0);
    EXPECT_EQ(Engine().EffectValue(CPlaybackEngine::EFFECT_EQ_125), 0);

    // The scroll commands come to the bar first, before the control bar.
    m_pApp->EffectsBar().resize(m_pApp->EffectsBar().width(), 200);
    EXPECT_TRUE(Raise(IDC_SCROLL_DOWN));
    EXPECT_EQ(m_pApp->EffectsBar().ScrollOffset(), -20);

    // A speed chosen while paused is heard on resuming.
    ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    ASSERT_TRUE(Raise(IDC_PAUSE_BUTTON));
    Panel().Slider(P::IDC_SPEED_SLIDER)->setValue(0);

    ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    const std::uint32_t slow = PlayedInASecond();
    EXPECT_GT(slow, 250u);
    EXPECT_LT(slow, 600u) << "played at 40 %, as the label says (= -60%)";

    // While playing, reset brings the item's own speed back at once.
    Panel().ResetButton()->click();
    const std::uint32_t own = PlayedInASecond();
    EXPECT_GT(own, 850u);
    EXPECT_LT(own, 1150u);

    ASSERT_TRUE(m_pApp->PlaylistPane().ExecuteIfEnabled(ID_PLAYLIST_REMOVE_ALL));
    EXPECT_FALSE(Panel().ResetButton()->isEnabled());
    EXPECT_FALSE(Panel().Slider(P::IDC_EQ_1K_SLIDER)->isEnabled());
}

} // namespace

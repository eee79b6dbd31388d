// The player control bar as the learner sees it: the position slider across
// the top, the fourteen image buttons, the mute button and the volume wedge at
// the right. It owns the transport control, forwards the sliders to it, and
// shows what the control decides; what belongs to other windows (status bar,
// selection list, effects bar, playlist pane) it passes to the outer view the
// frame gives it.
#pragma once

#include "app/CCmdUI.h"
#include "transport/IEffectsTarget.h"
#include "transport/ITransportView.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class CAppSettings;
class CImageButton;
class CNiceSliderCtrl;
class CTransportControl;
class CVolumeCtrl;
class QFrame;

class CPlayerBar : public QWidget, public ITransportView, public IEffectsTarget
{
    Q_OBJECT

public:
    using CommandRaiser = std::function<void(unsigned)>;
    using CommandQuery = std::function<CCmdUI(unsigned)>;

    static constexpr int BAR_HEIGHT = 65;

    // Builds the widgets, then the transport control (which loads the audio
    // runtime), and initialises both. The outer view must outlive the bar.
    CPlayerBar(CAppSettings &settings, ITransportView &outer, QWidget *parent = nullptr);
    ~CPlayerBar() override;

    CTransportControl &Control() { return *m_pControl; }

    // How a button raises its command and how its state is asked for. Until
    // the frame installs its routing, both go straight to this bar's control.
    void SetCommandRouting(CommandRaiser raise, CommandQuery query);
    // Enables and presses every button as its command's update handler says;
    // the frame calls it when it goes idle.
    void UpdateButtonStates();

    // The buttons in the bar's order; a button by command (null if none).
    const std::vector<CImageButton *> &Buttons() const { return m_buttons; }
    CImageButton *Button(unsigned id) const;
    CNiceSliderCtrl *PositionSlider() const { return m_pPositionSlider; }
    CVolumeCtrl *VolumeSlider() const { return m_pVolumeSlider; }

    QSize sizeHint() const override;

    // ITransportView: the bar's own widgets.
    void SetSliderRange(std::uint32_t maximum) override;
    void SetSliderPos(std::uint32_t position) override;
    void SetSliderSelection(bool shown, std::uint32_t start, std::uint32_t end) override;
    bool IsSliderDragging() const override;
    void SetButtonCheck(unsigned id, bool pressed) override;
    void SetMuteImage(bool muted) override;
    void SetVolumePos(int volume) override;

    // ITransportView: passed on to the outer view.
    void SetPaneText(int pane, const QString &text) override { m_outer.SetPaneText(pane, text); }
    void FillSelectionList(const std::vector<CSelectionSpan> &rows) override { m_outer.FillSelectionList(rows); }
    void AddSelection(std::uint32_t start, std::uint32_t end) override { m_outer.AddSelection(start, end); }
    void EnableEffectsForRate(std::uint32_t sampleRate, bool tempoAdjustable) override
    {
        m_outer.EnableEffectsForRate(sampleRate, tempoAdjustable);
    }
    void ShowItemDescription(const QString &path,
                             const std::optional<CPlaybackEngine::SItemDescription> &description) override
    {
        m_outer.ShowItemDescription(path, description);
    }
    bool OpenDictationText(int index) override { return m_outer.OpenDictationText(index); }
    bool SetCurrentItem(int index) override { return m_outer.SetCurrentItem(index); }

    // IEffectsTarget: the effects panel's values, passed to the control.
    bool SetTempo(const STempoChange &change) override;
    void SetEffect(unsigned kind, int value) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateButtons();
    void CreateSliders();
    void RaiseFromButton(unsigned id);

    ITransportView &m_outer;
    std::vector<CImageButton *> m_buttons; // children of the bar
    CImageButton *m_pMuteButton = nullptr;
    CNiceSliderCtrl *m_pPositionSlider = nullptr;
    CVolumeCtrl *m_pVolumeSlider = nullptr;
    QFrame *m_pSeparator = nullptr;
    CommandRaiser m_raise;
    CommandQuery m_query;
    // Last, so it goes first: its engine is released before the widgets it talks to.
    std::unique_ptr<CTransportControl> m_pControl;
};

// The player control bar as the learner sees it: the position slider across
// the top, the fourteen image buttons, the mute button and the volume wedge at
// the right. It forwards the sliders to the playback session and shows what
// the session decides.
#pragma once

#include "app/CCmdUI.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class CImageButton;
class CNiceSliderCtrl;
class CPlaybackSession;
class CVolumeCtrl;
class QFrame;

class CPlayerBar : public QWidget
{
    Q_OBJECT

public:
    using CommandRaiser = std::function<void(unsigned)>;
    using CommandQuery = std::function<CCmdUI(unsigned)>;

    static constexpr int BAR_HEIGHT = 65;

    // Builds the widgets and subscribes them to the session, which must outlive the bar.
    explicit CPlayerBar(CPlaybackSession &session, QWidget *parent = nullptr);
    ~CPlayerBar() override;

    // How a button raises its command and how its state is asked for. Until
    // the frame installs its routing, both go straight to the session.
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

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateButtons();
    void CreateSliders();
    void Subscribe();
    void RaiseFromButton(unsigned id);
    void SetButtonCheck(unsigned id, bool pressed);

    CPlaybackSession &m_session;
    std::vector<CImageButton *> m_buttons; // children of the bar
    CImageButton *m_pMuteButton = nullptr;
    CNiceSliderCtrl *m_pPositionSlider = nullptr;
    CVolumeCtrl *m_pVolumeSlider = nullptr;
    QFrame *m_pSeparator = nullptr;
    CommandRaiser m_raise;
    CommandQuery m_query;
};

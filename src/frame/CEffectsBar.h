// The effects bar: the dockable contents that hold the effects panel in a
// clipping viewport between two image buttons, which (like the mouse wheel)
// scroll the panel up and down in steps of 20 pixels. It handles the two
// buttons' commands in the frame's first routing slot.
#pragma once

#include "app/CCmdTarget.h"
#include "widgets/CThemeHelper.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class CEffectsPanel;
class CImageButton;
class IEffectsTarget;

class CEffectsBar : public QWidget, public CCmdTarget
{
    Q_OBJECT

public:
    using CommandRaiser = std::function<void(unsigned)>;

    static constexpr int SCROLL_STEP = 20;
    // Width of the bar docked at a side, in pixels; wider when its font needs it.
    static constexpr int DOCKED_WIDTH = 193;

    // The panel sends its values to the target, which must outlive the bar.
    explicit CEffectsBar(IEffectsTarget &target, QWidget *parent = nullptr);
    ~CEffectsBar() override;

    // How the two buttons raise their commands; until set, straight to this bar.
    void SetCommandRaiser(CommandRaiser raise) { m_raise = std::move(raise); }

    // An item was opened with this sample rate.
    void EnableForRate(std::uint32_t sampleRate, bool tempoAdjustable = true);

    CEffectsPanel &Panel() { return *m_pPanel; }
    QWidget *Viewport() const { return m_pViewport; }
    CImageButton *UpButton() const { return m_pUpButton; }
    CImageButton *DownButton() const { return m_pDownButton; }
    // Where the panel stands in the viewport: 0 or a negative multiple of 20.
    int ScrollOffset() const { return m_nScrollOffset; }

    void ScrollUp();
    void ScrollDown();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Distances the template keeps whatever the bar's size, in pixels: right
    // of the viewport, from the down button's top to the bottom edge, and
    // between the viewport and the down button.
    struct SBarMargins {
        int right, belowDownTop, aboveDown;
    };

    SBarMargins Margins() const;
    void CreateButtons();
    CImageButton *CreateButton(unsigned id, const QString &tooltip, const QRect &place);
    void MovePanel();

    CThemeHelper m_themeHelper; // asked by the buttons when their look is set
    CImageButton *m_pUpButton = nullptr;
    CImageButton *m_pDownButton = nullptr;
    QWidget *m_pViewport = nullptr;
    CEffectsPanel *m_pPanel = nullptr; // child of the viewport
    CommandRaiser m_raise;
    int m_nScrollOffset = 0;
};

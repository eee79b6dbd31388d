// The flat image button of the player's bars: an icon drawn by the current
// style as an auto-raised tool button (flat until hovered, sunken while
// pressed or checked, greyed while disabled), a tooltip that is also its
// accessible name, and, in check mode, a push-like check box. A click raises
// the button's command number.
#pragma once

#include <QToolButton>
#include <functional>

class CCmdUI;
class CThemeHelper;

class CImageButton : public QToolButton
{
    Q_OBJECT

public:
    using CommandRaiser = std::function<void(unsigned)>;

    explicit CImageButton(unsigned id, QWidget *parent = nullptr);

    unsigned CommandId() const { return m_nID; }
    void SetCommandRaiser(CommandRaiser raiser) { m_raise = std::move(raiser); }

    // The image and the size it is drawn at, in pixels.
    void SetIcon(const QIcon &icon, int size);
    void SetTooltipText(const QString &text);

    // A check-mode button flips its own pressed state when clicked, before its
    // command is raised; the command's handler then sets the state it wants.
    void SetCheckMode(bool checkMode) { setCheckable(checkMode); }
    // Ignored outside check mode.
    void SetCheck(bool pressed) { setChecked(pressed); }
    bool GetCheck() const { return isChecked(); }

    // Enabled and pressed as the command's update handler says.
    void UpdateFromCmdUI(const CCmdUI &state);

    // How the button is drawn: under a themed style with the toolbar look, or
    // without a themed style, flat until hovered; under a themed style without
    // the toolbar look, always on the style's button surface. The helper
    // belongs to the bar and must outlive the button.
    void SetThemeHelper(const CThemeHelper *pHelper);
    void SetToolbarLook(bool toolbarLook);

private:
    void OnClicked();
    void ApplyLook();

    unsigned m_nID;
    CommandRaiser m_raise;
    const CThemeHelper *m_pThemeHelper = nullptr;
    bool m_bToolbarLook = false;
};

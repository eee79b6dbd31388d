#include "widgets/CImageButton.h"

#include "app/CCmdUI.h"
#include "widgets/CThemeHelper.h"

CImageButton::CImageButton(unsigned id, QWidget *parent) : QToolButton(parent), m_nID(id)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(this, &QToolButton::clicked, this, &CImageButton::OnClicked);
}

void CImageButton::SetIcon(const QIcon &icon, int size)
{
    setIcon(icon);
    setIconSize(QSize(size, size));
}

void CImageButton::SetTooltipText(const QString &text)
{
    setToolTip(text);
    setAccessibleName(text);
}

void CImageButton::UpdateFromCmdUI(const CCmdUI &state)
{
    setEnabled(state.m_bEnabled);
    SetCheck(state.m_nCheck != 0);
}

void CImageButton::SetThemeHelper(const CThemeHelper *pHelper)
{
    m_pThemeHelper = pHelper;
    ApplyLook();
}

void CImageButton::SetToolbarLook(bool toolbarLook)
{
    m_bToolbarLook = toolbarLook;
    ApplyLook();
}

void CImageButton::ApplyLook()
{
    const bool themed = m_pThemeHelper != nullptr && m_pThemeHelper->IsAppThemed();
    setAutoRaise(!themed || m_bToolbarLook);
}

void CImageButton::OnClicked()
{
    if (m_raise)
        m_raise(m_nID);
}

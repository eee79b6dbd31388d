#include "widgets/CImageButton.h"

#include "app/CCmdUI.h"

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

void CImageButton::OnClicked()
{
    if (m_raise)
        m_raise(m_nID);
}

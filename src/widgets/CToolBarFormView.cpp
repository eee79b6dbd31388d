#include "widgets/CToolBarFormView.h"

#include <QVBoxLayout>

CToolBarFormView::CToolBarFormView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormatBarForm"));
    setAccessibleName(QStringLiteral("格式栏"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 0, 3);
    layout->setSpacing(0);
    // However small the splitter makes the pane, the form shows no scroll
    // bars and asks for no room of its own.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
}

void CToolBarFormView::SetToolBar(QWidget *bar)
{
    m_pToolBar = bar;
    layout()->addWidget(bar);
    layout()->setAlignment(bar, Qt::AlignBottom);
}

bool CToolBarFormView::OnCmdMsg(unsigned id, CCmdUI *pCmdUI)
{
    if (m_pViewTarget != nullptr && m_pViewTarget->OnCmdMsg(id, pCmdUI))
        return true;
    if (CCmdTarget::OnCmdMsg(id, pCmdUI))
        return true;
    return m_pOuterRoute != nullptr && m_pOuterRoute->OnCmdMsg(id, pCmdUI);
}

// The narrow pane above the editor that carries the format bar. The commands
// its bar raises, and their update requests, are offered first to the editor
// view, so the bar acts on the editor whichever pane has the focus; then to
// the form's own handlers; then to the rest of the frame's route.
#pragma once

#include "app/CCmdTarget.h"

#include <QWidget>

class CToolBarFormView : public QWidget, public CCmdTarget
{
public:
    explicit CToolBarFormView(QWidget *parent = nullptr);

    // Places the bar, once (owned from then on), along the form with borders of 1
    // pixel left and top, 0 right and 3 bottom. The form never scrolls: a
    // pane smaller than the bar cuts it off.
    void SetToolBar(QWidget *bar);
    QWidget *ToolBar() const { return m_pToolBar; }

    // The editor view, offered every command first, and the route that
    // follows the form's own handlers (the frame's). Neither is owned; null
    // leaves a place out.
    void SetViewTarget(CCmdTarget *view) { m_pViewTarget = view; }
    void SetOuterRoute(CCmdTarget *route) { m_pOuterRoute = route; }

    bool OnCmdMsg(unsigned id, CCmdUI *pCmdUI) override;

private:
    QWidget *m_pToolBar = nullptr;
    CCmdTarget *m_pViewTarget = nullptr;
    CCmdTarget *m_pOuterRoute = nullptr;
};

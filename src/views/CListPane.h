// What the two list panes share: the caption band across the top, a
// two-column list of whole rows under it inside a frame, and the pop-up menu
// of the pane's commands over the rows.
#pragma once

#include "app/CCmdTarget.h"
#include "app/CCommandTable.h"

#include <QWidget>
#include <vector>

class QMenu;
class QTreeWidget;

class CListPane : public QWidget, public CCmdTarget
{
public:
    // Height of the caption band in pixels.
    static constexpr int CAPTION_HEIGHT = 22;

    // caption and the two column headers are string numbers; popup is the
    // pop-up menu's resource.
    CListPane(unsigned caption, unsigned firstColumn, unsigned secondColumn, unsigned popup, QWidget *parent);

    QTreeWidget *ListCtrl() const { return m_pList; }
    // The selected row, -1 for none.
    int SelectedRow() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    // Lays the list out under the caption band, inside the frame.
    void resizeEvent(QResizeEvent *event) override;
    // Only over the rows (not the header), and only with a row selected.
    void contextMenuEvent(QContextMenuEvent *event) override;
    // The pop-up's items, sub-menus and separators, each item enabled and
    // checked as its command says.
    void AddMenuEntries(QMenu &menu, const std::vector<SMenuEntry> &entries);

    QTreeWidget *m_pList;

private:
    unsigned m_nCaption;
    unsigned m_nPopup;
};

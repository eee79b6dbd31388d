#include "views/CListPane.h"

#include "app/CCommandTable.h"
#include "app/CStringTable.h"
#include "widgets/FontFaces.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QTreeWidget>

namespace
{

// Lines at the top and left in one colour, at the bottom and right in another.
void DrawFrame(QPainter &painter, const QRect &rect, const QColor &topLeft, const QColor &bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

} // namespace

CListPane::CListPane(unsigned caption, unsigned firstColumn, unsigned secondColumn, unsigned popup, QWidget *parent)
    : QWidget(parent), m_pList(new QTreeWidget(this)), m_nCaption(caption), m_nPopup(popup)
{
    const QString name = LoadResString(caption).trimmed().remove(u'：');
    setAccessibleName(name);
    m_pList->setAccessibleName(name);
    m_pList->setHeaderLabels({LoadResString(firstColumn), LoadResString(secondColumn)});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
}

int CListPane::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->indexOfTopLevelItem(selected.first());
}

void CListPane::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect band(0, 0, width(), CAPTION_HEIGHT);
    painter.fillRect(band, palette().button());
    DrawFrame(painter, band, palette().color(QPalette::Light), palette().color(QPalette::Dark));
    painter.setFont(DialogFont(9));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, LoadResString(m_nCaption));
    DrawFrame(painter, rect().adjusted(0, CAPTION_HEIGHT, 0, 0), palette().color(QPalette::Shadow),
              palette().color(QPalette::Button));
}

void CListPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_pList->setGeometry(0, CAPTION_HEIGHT + 1, std::max(0, width() - 2), std::max(0, height() - 24));
}

void CListPane::contextMenuEvent(QContextMenuEvent *event)
{
    QWidget *rows = m_pList->viewport();
    QPoint point = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard)
        point = rows->mapToGlobal(QPoint(5, 5));
    else if (!rows->rect().contains(rows->mapFromGlobal(point)))
        return;
    if (SelectedRow() < 0)
        return;
    event->accept();
    QMenu menu(this);
    AddMenuEntries(menu, CommandTable::PopupMenu(m_nPopup));
    menu.exec(point);
}

void CListPane::AddMenuEntries(QMenu &menu, const std::vector<SMenuEntry> &entries)
{
    for (const SMenuEntry &entry : entries) {
        if (entry.m_kind == SMenuEntry::separator) {
            menu.addSeparator();
            continue;
        }
        if (entry.m_kind == SMenuEntry::submenu) {
            AddMenuEntries(*menu.addMenu(entry.m_strText), entry.m_items);
            continue;
        }
        QAction *action = menu.addAction(entry.m_strText, this, [this, id = entry.m_nID] { ExecuteIfEnabled(id); });
        const CCmdUI state = QueryState(entry.m_nID);
        action->setEnabled(state.m_bEnabled);
        action->setCheckable(state.m_nCheck != 0);
        action->setChecked(state.m_nCheck == 1);
    }
}

#include "views/CSelectionView.h"

#include "app/CAppSettings.h"
#include "app/CCommandTable.h"
#include "app/CStringTable.h"
#include "app/Resource.h"
#include "base/TimeUtils.h"
#include "transport/CTransportControl.h"
#include "views/PaneCaption.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

namespace
{

constexpr int kInitialColumnWidth = 70;

// Rows show whole seconds.
QString MinSecOfMs(std::uint32_t milliseconds)
{
    return FormatMinSec(milliseconds / 1000);
}

} // namespace

CSelectionView::CSelectionView(CAppSettings &settings, CTransportControl &control, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_control(control), m_pList(new QTreeWidget(this))
{
    const QString name = LoadResString(IDS_SELECTION_CAPTION).trimmed().remove(u'：');
    setAccessibleName(name);
    m_pList->setObjectName(QStringLiteral("SelectionList"));
    m_pList->setAccessibleName(name);
    m_pList->setHeaderLabels({LoadResString(IDS_COLUMN_START), LoadResString(IDS_COLUMN_END)});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setAllColumnsShowFocus(true);
    // Both columns keep the width they are given; the end column does not fill the rest.
    m_pList->header()->setStretchLastSection(false);
    m_pList->setColumnWidth(0, kInitialColumnWidth);
    m_pList->setColumnWidth(1, kInitialColumnWidth);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { OnDoubleClick(item); });
    RegisterCommands();
}

// ---------------------------------------------------------------- rows

void CSelectionView::AddSelection(std::uint32_t start, std::uint32_t end)
{
    SelectRow(0);
    m_pList->addTopLevelItem(new QTreeWidgetItem(QStringList{MinSecOfMs(start), MinSecOfMs(end)}));
    m_selections.push_back({start, end});
}

void CSelectionView::ResetList()
{
    m_pList->clear();
    m_selections.clear();
    m_nCurrentIndex = 0;
}

void CSelectionView::SelectRow(int row)
{
    if (row < 0 || row >= m_pList->topLevelItemCount())
        return;
    m_pList->selectionModel()->select(m_pList->model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CSelectionView::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->indexOfTopLevelItem(selected.first());
}

void CSelectionView::PlayRow(int row)
{
    m_nCurrentIndex = row;
    const CSelectionSpan &selection = m_selections[static_cast<std::size_t>(row)];
    m_control.PlaySelection(selection.m_dwStart, selection.m_dwEnd);
}

// ---------------------------------------------------------------- commands

void CSelectionView::RegisterCommands()
{
    OnCommand(ID_SELECTION_PLAY, [this] { OnSelectionPlay(); });
    OnCommand(ID_SELECTION_REMOVE, [this] { OnSelectionRemove(); });
    OnCommand(ID_SELECTION_REMOVE_ALL, [this] { ResetList(); });
    OnCommand(
        IDC_PREV_SELECTION, [this] { StepTo(m_nCurrentIndex - 1); },
        [this](CCmdUI &ui) { ui.Enable(m_nCurrentIndex - 1 >= 0); });
    OnCommand(
        IDC_NEXT_SELECTION, [this] { StepTo(m_nCurrentIndex + 1); },
        [this](CCmdUI &ui) { ui.Enable(m_nCurrentIndex + 1 < m_pList->topLevelItemCount()); });
}

// Play and remove act on the selected row; the menu offers them only with one,
// but a command raised with none selected must not reach past the list.
void CSelectionView::OnSelectionPlay()
{
    if (const int row = SelectedRow(); row >= 0)
        PlayRow(row);
}

void CSelectionView::OnSelectionRemove()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    if (row < m_nCurrentIndex)
        --m_nCurrentIndex;
    std::unique_ptr<QTreeWidgetItem> item(m_pList->takeTopLevelItem(row));
    m_selections.erase(m_selections.begin() + row);
}

void CSelectionView::StepTo(int row)
{
    if (row < 0 || row >= m_pList->topLevelItemCount())
        return;
    SelectRow(row);
    PlayRow(row);
}

void CSelectionView::OnDoubleClick(QTreeWidgetItem *item)
{
    if (const int row = m_pList->indexOfTopLevelItem(item); row >= 0)
        PlayRow(row);
}

// ---------------------------------------------------------------- window

void CSelectionView::paintEvent(QPaintEvent *)
{
    PaintPaneCaption(*this, LoadResString(IDS_SELECTION_CAPTION));
}

void CSelectionView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    m_pList->setGeometry(0, kPaneCaptionHeight + 1, std::max(0, cx - 2), std::max(0, cy - 24));
    // Each column takes 49 % of the pane.
    const int columnWidth = cx * 49 / 100;
    m_pList->setColumnWidth(0, columnWidth);
    m_pList->setColumnWidth(1, columnWidth);
    // The frame restores its splitters from these at the next start.
    if (cx > 0 && cy > 0) {
        m_settings.LSplitterWidth = cx;
        m_settings.USplitterHigh = cy;
    }
}

void CSelectionView::contextMenuEvent(QContextMenuEvent *event)
{
    // Only over the rows (not the header), and only with a row selected.
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
    for (const SMenuEntry &entry : CommandTable::PopupMenu(IDR_SELECTION_POPUP))
        menu.addAction(entry.m_strText, this, [this, id = entry.m_nID] { ExecuteIfEnabled(id); });
    menu.exec(point);
}

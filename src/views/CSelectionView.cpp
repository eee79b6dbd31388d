#include "views/CSelectionView.h"

#include "app/CAppSettings.h"
#include "app/CStringTable.h"
#include "app/Resource.h"
#include "base/CPrompt.h"
#include "base/MediaPaths.h"
#include "base/TimeUtils.h"
#include "lists/CLrcWriter.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

namespace
{

constexpr int kInitialColumnWidth = 70;
const QString kFoundTip = QStringLiteral("在录音的停顿处自动分段");

} // namespace

CSelectionView::CSelectionView(CAppSettings &settings, CPlaybackSession &session, QWidget *parent)
    : CListPane(IDS_SELECTION_CAPTION, IDS_COLUMN_START, IDS_COLUMN_END, IDR_SELECTION_POPUP, parent),
      m_settings(settings), m_session(session)
{
    m_pList->setObjectName(QStringLiteral("SelectionList"));
    // Both columns keep the width they are given; the end column does not fill the rest.
    m_pList->header()->setStretchLastSection(false);
    m_pList->setColumnWidth(0, kInitialColumnWidth);
    m_pList->setColumnWidth(1, kInitialColumnWidth);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { OnDoubleClick(item); });
    connect(&m_session, &CPlaybackSession::StretchesListed, this, [this](const std::vector<CSelectionSpan> &rows) {
        ResetList();
        for (const CSelectionSpan &row : rows)
            AddSelection(row.m_dwStart, row.m_dwEnd);
    });
    connect(&m_session, &CPlaybackSession::StretchSaved, this, &CSelectionView::AddSelection);
    connect(&m_session, &CPlaybackSession::StretchesFound, this, &CSelectionView::ListFoundStretches);
    // The rows and the row chosen decide what the drill and the previous and next selection can do.
    connect(m_pList->model(), &QAbstractItemModel::rowsInserted, this, &CCmdTarget::StatesChanged);
    connect(m_pList->model(), &QAbstractItemModel::rowsRemoved, this, &CCmdTarget::StatesChanged);
    connect(m_pList->model(), &QAbstractItemModel::modelReset, this, &CCmdTarget::StatesChanged);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CCmdTarget::StatesChanged);
    RegisterCommands();
}

// ---------------------------------------------------------------- rows

void CSelectionView::AddSelection(std::uint32_t start, std::uint32_t end)
{
    SelectRow(0);
    m_pList->addTopLevelItem(new QTreeWidgetItem(QStringList{FormatMinSecOfMs(start), FormatMinSecOfMs(end)}));
    m_selections.push_back({start, end});
}

// Rows cut at the pauses are set apart from saved ones: slanted, and said so.
void CSelectionView::ListFoundStretches(const std::vector<CSelectionSpan> &rows)
{
    ResetList();
    for (const CSelectionSpan &row : rows) {
        AddSelection(row.m_dwStart, row.m_dwEnd);
        QTreeWidgetItem *item = m_pList->topLevelItem(m_pList->topLevelItemCount() - 1);
        QFont font = item->font(0);
        font.setItalic(true);
        for (int column = 0; column < 2; ++column) {
            item->setFont(column, font);
            item->setToolTip(column, kFoundTip);
            item->setData(column, Qt::AccessibleDescriptionRole, kFoundTip);
        }
    }
}

// Writes every row, with the reference text of the stretches that have one, as the
// recording's .lrc, after asking before an existing one is replaced (it is kept as a
// backup beside it).
void CSelectionView::OnSaveStretches()
{
    const QString media = m_session.GetCurrentPath();
    const QString lrc = MediaLrcPath(media);
    if (QFileInfo::exists(lrc) &&
        Prompt().MessageBox(
            QStringLiteral("“%1”已存在，是否替换？原来的文件将另存为“%2”。")
                .arg(QDir::toNativeSeparators(lrc), QDir::toNativeSeparators(CLrcWriter::BackupPathFor(lrc))),
            CPrompt::MB_YESNO | CPrompt::MB_ICONQUESTION) != CPrompt::IDYES)
        return;
    std::vector<CReferenceStretch> rows;
    for (const CSelectionSpan &row : m_selections)
        rows.push_back({row.m_dwStart, row.m_dwEnd, ReferenceTextOf(row)});
    ReportFailure(CLrcWriter::Save(lrc, rows, m_session.Player().GetLength()));
}

QString CSelectionView::ReferenceTextOf(const CSelectionSpan &row) const
{
    for (const CReferenceStretch &stretch : m_session.Lesson().Reference())
        if (stretch.m_dwStartMs == row.m_dwStart && stretch.m_dwEndMs == row.m_dwEnd)
            return stretch.m_strText;
    return QString();
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

void CSelectionView::PlayRow(int row)
{
    m_nCurrentIndex = row;
    const CSelectionSpan &selection = m_selections[static_cast<std::size_t>(row)];
    m_session.PlaySelection(selection.m_dwStart, selection.m_dwEnd);
}

// ---------------------------------------------------------------- commands

void CSelectionView::RegisterCommands()
{
    OnCommand(ID_SELECTION_PLAY, [this] { OnSelectionPlay(); });
    // Removing rows from the pop-up ends a drill as the routed commands do.
    OnCommand(ID_SELECTION_REMOVE, [this] {
        m_session.StopDrill();
        OnSelectionRemove();
    });
    OnCommand(ID_SELECTION_REMOVE_ALL, [this] {
        m_session.StopDrill();
        ResetList();
    });
    OnCommand(
        IDC_PREV_SELECTION, [this] { StepTo(m_nCurrentIndex - 1); },
        [this](CCmdUI &ui) { ui.Enable(m_nCurrentIndex - 1 >= 0); });
    OnCommand(
        IDC_NEXT_SELECTION, [this] { StepTo(m_nCurrentIndex + 1); },
        [this](CCmdUI &ui) { ui.Enable(m_nCurrentIndex + 1 < m_pList->topLevelItemCount()); });
    OnCommand(
        ID_SAVE_STRETCHES, [this] { OnSaveStretches(); },
        [this](CCmdUI &ui) { ui.Enable(m_session.CurrentIndex() != -1 && !m_selections.empty()); });
    RegisterDrillCommands();
}

void CSelectionView::RegisterDrillCommands()
{
    OnCommand(
        ID_DRILL_TOGGLE, [this] { OnDrillToggle(); },
        [this](CCmdUI &ui) {
            ui.Enable(m_session.IsDrillOn() || (!m_selections.empty() && m_session.CurrentIndex() != -1));
            ui.SetCheck(m_session.IsDrillOn() ? 1 : 0);
        });
    for (unsigned id = ID_DRILL_PASSES_FIRST; id <= ID_DRILL_PASSES_LAST; ++id) {
        const int passes = static_cast<int>(id - ID_DRILL_PASSES_FIRST) + 1;
        OnCommand(
            id,
            [this, passes] {
                m_settings.DrillPasses = passes;
                m_session.DrillSettingsChanged();
            },
            [this, passes](CCmdUI &ui) {
                ui.Enable();
                ui.SetCheck(m_settings.DrillPasses == passes ? 1 : 0);
            });
    }
    for (unsigned id = ID_DRILL_GAP_FIRST; id <= ID_DRILL_GAP_LAST; ++id) {
        const int seconds = static_cast<int>(id - ID_DRILL_GAP_FIRST);
        OnCommand(
            id, [this, seconds] { m_settings.DrillGap = seconds; },
            [this, seconds](CCmdUI &ui) {
                ui.Enable();
                ui.SetCheck(m_settings.DrillGap == seconds ? 1 : 0);
            });
    }
}

void CSelectionView::OnDrillToggle()
{
    if (m_session.IsDrillOn()) {
        m_session.StopDrill();
        return;
    }
    const int selected = SelectedRow();
    m_session.StartDrill(m_selections, selected >= 0 ? selected : m_nCurrentIndex);
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

void CSelectionView::resizeEvent(QResizeEvent *event)
{
    CListPane::resizeEvent(event);
    const int cx = width();
    const int cy = height();
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

// The selection list pane: the caption band "选择列表：" over the saved
// selections of the current item, one row of start and end time each, and the
// commands that replay a row, step to the previous or next one and remove rows.
#pragma once

#include "lists/CLrcFile.h"
#include "views/CListPane.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class CAppSettings;
class CPlaybackSession;
class QTreeWidget;
class QTreeWidgetItem;

class CSelectionView : public CListPane
{
    Q_OBJECT

public:
    // The session must outlive the pane; the pane lists the stretches it tells of.
    CSelectionView(CAppSettings &settings, CPlaybackSession &session, QWidget *parent = nullptr);

    // Appends a row, start and end in milliseconds; row 0 becomes the selected
    // row and the current index stays.
    void AddSelection(std::uint32_t start, std::uint32_t end);
    // Empties the list; the current index goes back to 0.
    void ResetList();
    // Empties the list and lists stretches found at the recording's pauses, marked so.
    void ListFoundStretches(const std::vector<CSelectionSpan> &rows);

    // The row the previous and next selection commands step from. Removing
    // rows may leave it at the end of the list.
    int CurrentIndex() const { return m_nCurrentIndex; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void RegisterCommands();
    void OnSelectionPlay();
    void OnSelectionRemove();
    void RegisterDrillCommands();
    // The drill from the selected row, or the current one when none is selected.
    void OnDrillToggle();
    void OnDoubleClick(QTreeWidgetItem *item);
    void OnSaveStretches();
    QString ReferenceTextOf(const CSelectionSpan &row) const;
    // Selects the row, makes it current and plays its selection.
    void StepTo(int row);
    void PlayRow(int row);

    // Selected state only: the list's focus row stays where it is.
    void SelectRow(int row);

    CAppSettings &m_settings;
    CPlaybackSession &m_session;
    // Pair i belongs to row i.
    std::vector<CSelectionSpan> m_selections;
    int m_nCurrentIndex = 0;
};

#include "views/CPlaylistView.h"

#include "app/CAppSettings.h"
#include "app/CStringTable.h"
#include "app/Resource.h"
#include "base/CPrompt.h"
#include "base/MediaPaths.h"
#include "lists/CMediaInfo.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"
#include "views/IPlaylistHost.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

namespace
{

const QLatin1String kMarker(" <--");

// What the pane asks the media library for; a newer request of the same kind
// replaces one not yet answered.
enum EMediaInfoPurpose { PropertiesReport };

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// "%d KB" of the file's length; empty for a file that is gone (deleted since
// it was listed) or is no file at all.
QString SizeTextOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QString();
    return QStringLiteral("%1 KB").arg(info.size() / 1024);
}

// The file dialog's filter; the add dialog lists no separate Wma and Mod entries.
QString MediaFilter(bool withWmaAndMod)
{
    QStringList allTypes;
    for (const QString &extension : MediaFileExtensions())
        allTypes.append(QStringLiteral("*.") + extension);
    QStringList filters{QStringLiteral("Media files (all types) (%1)").arg(allTypes.join(QLatin1Char(' '))),
                        QStringLiteral("Mp4 File (*.mp4)"),
                        QStringLiteral("Mp3 File (*.mp3)"),
                        QStringLiteral("Mp2 File (*.mp2)"),
                        QStringLiteral("Mp1 File (*.mp1)"),
                        QStringLiteral("Wave File (*.wav)"),
                        QStringLiteral("Ogg File (*.ogg)"),
                        QStringLiteral("Aif File (*.aif)")};
    if (withWmaAndMod)
        filters << QStringLiteral("Wma File (*.wma)") << QStringLiteral("Mod File (*.mod)");
    filters << QStringLiteral("All Files (*.*)");
    return filters.join(QStringLiteral(";;"));
}

QStringList AskForMediaFiles(bool withWmaAndMod)
{
    return Prompt().GetOpenFileNames(QStringLiteral("打开"), MediaFilter(withWmaAndMod), true);
}

} // namespace

CPlaylistView::CPlaylistView(CAppSettings &settings, CPlaybackSession &session, IPlaylistHost &host,
                             const QString &playlistFile, QWidget *parent)
    : CListPane(IDS_PLAYLIST_CAPTION, IDS_COLUMN_FILE_NAME, IDS_COLUMN_FILE_SIZE, IDR_PLAYLIST_POPUP, parent),
      m_settings(settings), m_session(session), m_host(host), m_strPlaylistFile(playlistFile)
{
    m_pList->setObjectName(QStringLiteral("PlaylistList"));
    m_pList->setColumnWidth(0, 200);
    m_pList->setColumnWidth(1, 100);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { OnDoubleClick(item); });
    // The rows and the row chosen decide what the playlist commands and the control bar can do.
    connect(m_pList->model(), &QAbstractItemModel::rowsInserted, this, &CCmdTarget::StatesChanged);
    connect(m_pList->model(), &QAbstractItemModel::rowsRemoved, this, &CCmdTarget::StatesChanged);
    connect(m_pList->model(), &QAbstractItemModel::modelReset, this, &CCmdTarget::StatesChanged);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CCmdTarget::StatesChanged);
    connect(&m_session, &CPlaybackSession::CurrentItemChanged, this, [this](int index) { SetCurrentItem(index); });
    RegisterCommands();
    // The session reads the playlist from the start, so that items added to an
    // empty list play before any list was filled.
    m_session.PlaylistReady(&m_playlist.Paths());
}

CResult CPlaylistView::LoadPlaylist()
{
    return m_playlist.Load(m_strPlaylistFile);
}

CResult CPlaylistView::SavePlaylist() const
{
    return m_playlist.Save(m_strPlaylistFile);
}

// ---------------------------------------------------------------- rows

bool CPlaylistView::ListRows()
{
    m_pList->clear();
    for (const QString &path : m_playlist.Paths()) {
        if (path.isEmpty())
            return false;
        m_pList->addTopLevelItem(new QTreeWidgetItem(QStringList{FileNameOf(path), SizeTextOf(path)}));
    }
    return true;
}

void CPlaylistView::RemoveRow(int row)
{
    std::unique_ptr<QTreeWidgetItem> item(m_pList->takeTopLevelItem(row));
    m_playlist.RemoveAt(row);
}

QString CPlaylistView::SizeText(int row) const
{
    const QTreeWidgetItem *item = m_pList->topLevelItem(row);
    return item != nullptr ? item->text(1) : QString();
}

void CPlaylistView::SetSizeText(int row, const QString &text)
{
    if (QTreeWidgetItem *item = m_pList->topLevelItem(row))
        item->setText(1, text);
}

bool CPlaylistView::FillList()
{
    if (!ListRows())
        return false;
    // A remembered item that is no longer in the list gives way to item 0, as
    // in the control bar, so the document, the marker and the playing item agree.
    const int index = StartupPlaylistIndex(m_settings.PlaylistIndex, m_playlist.GetCount());
    if (index < 0 || !m_session.SwitchTextTo(index))
        return false;
    SetCurrentItem(index);
    return m_session.PlaylistReady(&m_playlist.Paths());
}

bool CPlaylistView::SetCurrentItem(int index)
{
    QTreeWidgetItem *item = m_pList->topLevelItem(index);
    if (item == nullptr)
        return false;
    m_pList->setCurrentItem(item);
    if (m_nMarkedRow != -1) {
        QString marked = SizeText(m_nMarkedRow);
        if (const qsizetype at = marked.indexOf(kMarker); at >= 0)
            SetSizeText(m_nMarkedRow, marked.remove(at, kMarker.size()));
    }
    if (const QString text = item->text(1); !text.contains(kMarker)) {
        item->setText(1, text + kMarker);
        m_nMarkedRow = index;
    }
    m_pList->setFocus();
    return true;
}

// ---------------------------------------------------------------- commands

void CPlaylistView::RegisterCommands()
{
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_PLAYLIST_ADD, [this] { OnPlaylistAdd(); });
    OnCommand(ID_PLAYLIST_PLAY, [this] { m_session.PlayItem(SelectedRow()); });
    OnCommand(ID_PLAYLIST_REMOVE, [this] { OnPlaylistRemove(); });
    OnCommand(ID_PLAYLIST_REMOVE_ALL, [this] { OnPlaylistRemoveAll(); });
    OnCommand(ID_MEDIA_PROPERTIES, [this] { ShowProperties(m_session.CurrentIndex()); });
    OnCommand(ID_PLAYLIST_PROPERTIES, [this] { ShowProperties(SelectedRow()); });
}

void CPlaylistView::OnFileOpen()
{
    const QStringList paths = AskForMediaFiles(true);
    if (paths.isEmpty())
        return;
    m_host.SendFrameCommand(ID_FILE_NEW);
    // Nothing may go on playing or pointing into the old list, even when the
    // learner cancels the document switch below and no new item opens.
    m_session.ExecuteIfEnabled(IDC_STOP);
    m_session.SetCurrentIndex(-1);
    m_playlist.RemoveAll();
    for (const QString &path : paths)
        m_playlist.Add(path);
    m_settings.PlaylistIndex = 0;
    FillList();
}

void CPlaylistView::OnPlaylistAdd()
{
    const QStringList paths = AskForMediaFiles(false);
    if (paths.isEmpty())
        return;
    for (const QString &path : paths)
        m_playlist.Add(path);
    ListRows();
}

void CPlaylistView::OnPlaylistRemove()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const int current = m_session.CurrentIndex();
    if (row == current) {
        RemoveCurrentItem(row);
        return;
    }
    if (row < m_nMarkedRow)
        --m_nMarkedRow;
    RemoveRow(row);
    m_session.SetCurrentIndex(CurrentIndexAfterRemoving(current, row));
}

void CPlaylistView::RemoveCurrentItem(int row)
{
    // The item's text goes with it: a new empty document, after the save question.
    if (!m_session.Lesson().SwitchToNewText())
        return;
    RemoveRow(row);
    if (m_playlist.GetCount() == 0) {
        m_session.ExecuteIfEnabled(IDC_STOP);
        m_session.ResetTransport();
        m_session.SetCurrentIndex(-1);
        m_nMarkedRow = -1;
        m_host.ResetSelectionList();
        return;
    }
    const bool wasPlaying = m_session.Player().IsPlaying();
    m_session.ResetTransport();
    m_session.SetCurrentIndex(0);
    SetCurrentItem(0);
    if (m_session.OpenCurrentItem() && wasPlaying)
        m_session.ExecuteIfEnabled(IDC_PLAY_BUTTON);
}

void CPlaylistView::OnPlaylistRemoveAll()
{
    if (Prompt().MessageBox(QStringLiteral("是否清除播放列表中的所有项？"), CPrompt::MB_YESNO) != CPrompt::IDYES)
        return;
    m_session.ExecuteIfEnabled(IDC_STOP);
    m_session.ResetTransport();
    m_session.SetCurrentIndex(-1);
    m_pList->clear();
    m_playlist.RemoveAll();
    m_nMarkedRow = -1;
    m_session.Player().FreeChannel();
    m_host.ResetSelectionList();
    m_host.SendFrameCommand(ID_FILE_NEW);
    m_host.DisableEffects();
}

void CPlaylistView::ShowProperties(int index)
{
    if (index < 0 || index >= m_playlist.GetCount())
        return;
    m_mediaInfo.Request(PropertiesReport, m_playlist.GetAt(index), [this](CMediaInfo &info) {
        // Shown once the reader has let go of the description, so that a
        // description asked for meanwhile is read while the dialog is open.
        QMetaObject::invokeMethod(
            this, [report = info.Inform()] { Prompt().ShowMediaProperties(report); }, Qt::QueuedConnection);
    });
}

void CPlaylistView::OnDoubleClick(QTreeWidgetItem *item)
{
    const int row = m_pList->indexOfTopLevelItem(item);
    if (row < 0)
        return;
    if (!m_session.SwitchTextTo(row)) {
        SetCurrentItem(m_session.CurrentIndex());
        return;
    }
    m_session.PlayItem(row);
}

// ---------------------------------------------------------------- window

void CPlaylistView::resizeEvent(QResizeEvent *event)
{
    CListPane::resizeEvent(event);
    // The file name column takes the width the size column leaves.
    m_pList->setColumnWidth(0, std::max(0, width() - 105));
}

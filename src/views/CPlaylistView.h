// The playlist pane: the caption band "播放列表：" over a list of the playlist's
// items (file name, size in KB, " <--" after the current item's size), and the
// commands that open, add, play, remove and describe items. It owns the
// playlist; the playback session plays from it.
#pragma once

#include "base/CResult.h"
#include "lists/CMediaInfoReader.h"
#include "lists/CPlaylist.h"
#include "views/CListPane.h"

#include <QWidget>

class CAppSettings;
class CPlaybackSession;
class IPlaylistHost;
class QTreeWidget;
class QTreeWidgetItem;

class CPlaylistView : public CListPane
{
    Q_OBJECT

public:
    // The session and the host must outlive the pane. The playlist is kept in
    // playlistFile.
    CPlaylistView(CAppSettings &settings, CPlaybackSession &session, IPlaylistHost &host,
                  const QString &playlistFile = PlaylistFilePath(), QWidget *parent = nullptr);
    CPlaylist &Playlist() { return m_playlist; }
    // Reads the playlist file into the playlist, or writes the playlist to it;
    // the caller tells the learner of a failure.
    CResult LoadPlaylist();
    CResult SavePlaylist() const;

    // Lists every item, switches the lesson to the remembered item, marks it
    // and hands the playlist to the session. True when the remembered item
    // was opened and plays.
    bool FillList();
    // Selects the row and moves the marker to it. False, changing nothing, for a
    // row outside the list.
    bool SetCurrentItem(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void RegisterCommands();
    void OnFileOpen();
    void OnPlaylistAdd();
    void OnPlaylistRemove();
    void RemoveCurrentItem(int row);
    void OnPlaylistRemoveAll();
    // The media-properties dialog of an item, once its report is read.
    void ShowProperties(int index);
    void OnDoubleClick(QTreeWidgetItem *item);

    // Rebuilds the rows; false when an empty path cut the listing short.
    bool ListRows();
    void RemoveRow(int row);
    QString SizeText(int row) const;
    void SetSizeText(int row, const QString &text);

    CAppSettings &m_settings;
    CPlaybackSession &m_session;
    IPlaylistHost &m_host;
    QString m_strPlaylistFile;
    CPlaylist m_playlist;
    CMediaInfoReader m_mediaInfo;
    // The row whose size carries the marker; -1 for none.
    int m_nMarkedRow = -1;
};

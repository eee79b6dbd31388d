// The playlist: full paths of the learner's media files in play order, and the
// file "Playlist.Qpl" beside the program that keeps it between runs.
#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringList>

class CPlaylist
{
public:
    // Lines this short never name a media file.
    static constexpr qsizetype kMinPathLength = 4;

    void Add(const QString &path) { m_paths.append(path); }
    void RemoveAt(int index) { m_paths.removeAt(index); }
    void RemoveAll() { m_paths.clear(); }
    int GetCount() const { return static_cast<int>(m_paths.size()); }
    const QString &GetAt(int index) const { return m_paths.at(index); }
    const QStringList &Paths() const { return m_paths; }

    // Appends every line of the file that names an existing file, creating
    // the file empty when it is missing. On a file error the playlist keeps
    // what was read before it.
    CResult Load(const QString &filePath);

    // Writes one path and CR LF per item, replacing the file only once all is
    // written; on failure the old file is left whole.
    CResult Save(const QString &filePath) const;

    // Whether a line of the playlist file names a media file: longer than
    // three characters and naming an existing file (folders and wildcard
    // patterns are not media files).
    static bool IsPlaylistEntry(const QString &line);

private:
    QStringList m_paths;
};

// "Playlist.Qpl" in the program's configuration folder (ConfigFilePath).
QString PlaylistFilePath();

// The item to open at start-up from the remembered index: item 0 when the
// remembered one is not in the list; -1 for an empty list.
int StartupPlaylistIndex(int rememberedIndex, int count);

// The current index after removing another item: one lower when the removed
// item stood before it.
int CurrentIndexAfterRemoving(int currentIndex, int removedIndex);

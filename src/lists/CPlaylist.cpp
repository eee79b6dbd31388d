#include "lists/CPlaylist.h"

#include "base/ModulePath.h"
#include "lists/CTextFile.h"

#include <QFileInfo>

bool CPlaylist::IsPlaylistEntry(const QString &line)
{
    return line.size() >= kMinPathLength && QFileInfo(line).isFile();
}

CResult CPlaylist::Load(const QString &filePath)
{
    CTextFile file(filePath, CTextFile::modeCreate | CTextFile::modeNoTruncate | CTextFile::modeRead);
    QString line;
    while (file.ReadString(line)) {
        if (IsPlaylistEntry(line))
            m_paths.append(line);
    }
    return file.Close();
}

CResult CPlaylist::Save(const QString &filePath) const
{
    CTextFile file(filePath, CTextFile::modeCreate | CTextFile::modeWrite);
    for (const QString &path : m_paths) {
        file.WriteString(path);
        file.WriteString(QStringLiteral("\n"));
    }
    return file.Close();
}

QString PlaylistFilePath()
{
    return ConfigFilePath(QStringLiteral("Playlist.Qpl"));
}

int StartupPlaylistIndex(int rememberedIndex, int count)
{
    if (count <= 0)
        return -1;
    return rememberedIndex >= 0 && rememberedIndex < count ? rememberedIndex : 0;
}

int CurrentIndexAfterRemoving(int currentIndex, int removedIndex)
{
    return removedIndex < currentIndex ? currentIndex - 1 : currentIndex;
}

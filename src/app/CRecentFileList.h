// The dictation documents opened or saved lately, newest first, at most four,
// kept in the profile's "Recent File List" section as File1 … File4; and the
// search for the media file that belongs to such a document.
#pragma once

#include <QString>
#include <QStringList>

class CIniProfile;

class CRecentFileList
{
public:
    static constexpr int kMaxEntries = 4;

    void ReadList(const CIniProfile &profile);
    void WriteList(CIniProfile &profile) const;

    // Puts the path first, removing an earlier entry of it and the oldest
    // entry beyond the fourth.
    void Add(const QString &path);
    void Remove(int index);
    const QStringList &Paths() const { return m_paths; }

private:
    QStringList m_paths;
};

// The media file beside a document: the first file of the folder, in name
// order, whose name without its last extension is the title, other than the
// document itself and its ".lrc" timing file. Empty when there is none.
QString FindRelatedMediaFile(const QString &documentPath);

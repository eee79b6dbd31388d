#include "app/CRecentFileList.h"

#include "app/CIniProfile.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString kSection = QStringLiteral("Recent File List");

QString KeyOf(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

} // namespace

void CRecentFileList::ReadList(const CIniProfile &profile)
{
    m_paths.clear();
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString path = profile.GetProfileString(kSection, KeyOf(i));
        if (!path.isEmpty())
            m_paths.append(path);
    }
}

void CRecentFileList::WriteList(CIniProfile &profile) const
{
    for (int i = 0; i < kMaxEntries; ++i)
        profile.WriteProfileString(kSection, KeyOf(i), i < m_paths.size() ? m_paths.at(i) : QString());
}

void CRecentFileList::Add(const QString &path)
{
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > kMaxEntries)
        m_paths.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_paths.size())
        m_paths.removeAt(index);
}

QString FindRelatedMediaFile(const QString &documentPath)
{
    const QFileInfo document(documentPath);
    const QString title = document.completeBaseName();
    const QFileInfoList entries = QDir(document.absolutePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.completeBaseName() != title || entry.suffix() == QLatin1String("lrc"))
            continue;
        if (entry.absoluteFilePath() == document.absoluteFilePath())
            continue;
        return entry.absoluteFilePath();
    }
    return {};
}

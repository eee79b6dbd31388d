#include "editor/CRecoveryStore.h"

#include "base/CAtomicFile.h"
#include "base/CFileError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace
{

const QString g_strCopySuffix = QStringLiteral(".rtf");
// The note beside a copy: the transcript path in UTF-8, nothing else.
const QString g_strNoteSuffix = QStringLiteral(".path");
const QString g_strUntitled = QStringLiteral("Untitled");
// Keeps "name-hash.rtf" well below the 255 bytes a file name may have.
constexpr qsizetype kMaxNameChars = 60;

QString NotePathOf(const QString &copyPath)
{
    return copyPath.chopped(g_strCopySuffix.size()) + g_strNoteSuffix;
}

CResult WriteWhole(const QString &path, QByteArrayView bytes)
{
    CAtomicFile file(path);
    if (CResult result = file.Open(); !result)
        return result;
    if (CResult result = file.Write(bytes); !result)
        return result;
    return file.Commit();
}

// The folder and the ones above it, the last one readable by the learner alone.
CResult MakeDirectory(const QString &directory)
{
    if (!QDir().mkpath(directory))
        return CFileError(CFileError::badPath, directory).ToResult();
    ::chmod(QFile::encodeName(directory).constData(), 0700);
    return {};
}

} // namespace

CRecoveryStore::CRecoveryStore(const QString &directory) : m_strDirectory(directory) {}

QString CRecoveryStore::DefaultDirectory()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quillmere/recovery");
}

QString CRecoveryStore::CopyPathFor(const QString &transcriptPath) const
{
    QString name = g_strUntitled;
    if (!transcriptPath.isEmpty()) {
        // Two transcripts of the same name in different folders differ in the hash.
        const QByteArray hash = QCryptographicHash::hash(transcriptPath.toUtf8(), QCryptographicHash::Sha256);
        name = QFileInfo(transcriptPath).completeBaseName().left(kMaxNameChars) + QLatin1Char('-') +
               QString::fromLatin1(hash.toHex().left(16));
    }
    return m_strDirectory + QLatin1Char('/') + name + g_strCopySuffix;
}

CResult CRecoveryStore::Write(const QString &transcriptPath, QByteArrayView rtf) const
{
    if (CResult made = MakeDirectory(m_strDirectory); !made)
        return made;
    const QString copyPath = CopyPathFor(transcriptPath);
    // The copy first: a note without its copy would offer nothing.
    if (CResult written = WriteWhole(copyPath, rtf); !written)
        return written;
    return WriteNote(copyPath, transcriptPath);
}

CResult CRecoveryStore::WriteNote(const QString &copyPath, const QString &transcriptPath) const
{
    const QString notePath = NotePathOf(copyPath);
    const QByteArray note = transcriptPath.toUtf8();
    QFile existing(notePath);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == note)
        return {};
    return WriteWhole(notePath, note);
}

std::vector<CRecoveryStore::SCopy> CRecoveryStore::List() const
{
    std::vector<SCopy> copies;
    const QFileInfoList files =
        QDir(m_strDirectory)
            .entryInfoList({QLatin1Char('*') + g_strCopySuffix}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : files) {
        QFile note(NotePathOf(info.filePath()));
        const QString transcript = note.open(QIODevice::ReadOnly) ? QString::fromUtf8(note.readAll()) : QString();
        copies.push_back({info.filePath(), transcript, info.lastModified()});
    }
    return copies;
}

void CRecoveryStore::RemoveCopy(const QString &copyPath) const
{
    QFile::remove(copyPath);
    QFile::remove(NotePathOf(copyPath));
}

void CRecoveryStore::RemoveUnfinishedWrites() const
{
    // The atomic file's temporaries: the target's name and six random characters.
    const QStringList patterns = {QLatin1Char('*') + g_strCopySuffix + QStringLiteral(".??????"),
                                  QLatin1Char('*') + g_strNoteSuffix + QStringLiteral(".??????")};
    const QDir directory(m_strDirectory);
    for (const QString &name : directory.entryList(patterns, QDir::Files | QDir::Hidden))
        QFile::remove(directory.filePath(name));
}

#include "editor/CQuillmereDoc.h"

#include "base/CAtomicFile.h"
#include "base/CFileError.h"
#include "base/CPrompt.h"
#include "base/MediaPaths.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

const QString g_strUntitled = QStringLiteral("Untitled");
// The document string's filter and extension fields.
const QString g_strFilter = QStringLiteral("Rich Text Format (*.rtf)");
const QString g_strExtension = QStringLiteral(".rtf");

// The whole file, or the error that names it.
CResult ReadWholeFile(const QString &path, QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return CFileError::FromErrno(errno, path).ToResult();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return CFileError::FromErrno(error, path).ToResult();
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    ::close(fd);
    return {};
}

// What is wrong with the bytes as a transcript; empty when they read whole.
QString RtfProblem(const QByteArray &bytes, const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    if (!CRtfReader::IsRtf(bytes))
        return QStringLiteral("文件“%1”不是 RTF 格式的听写文本，无法打开。").arg(name);
    if (!CRtfReader::IsWhole(bytes))
        return QStringLiteral("文件“%1”已损坏（内容不完整），无法打开。").arg(name);
    return {};
}

} // namespace

CQuillmereDoc::CQuillmereDoc() : m_pTextDocument(std::make_unique<QTextDocument>()), m_strTitle(g_strUntitled) {}

CQuillmereDoc::~CQuillmereDoc() = default;

bool CQuillmereDoc::OnNewDocument()
{
    m_pTextDocument->clear();
    m_pTextDocument->clearUndoRedoStacks();
    m_bRecovered = false;
    m_pTextDocument->setModified(false);
    m_strPathName.clear();
    m_strTitle = g_strUntitled;
    NotifyStateChanged();
    NotifyContentsReplaced();
    return true;
}

bool CQuillmereDoc::OnOpenDocument(const QString &path)
{
    if (!ReadTranscript(path))
        return false;
    SetPathName(path);
    m_bRecovered = false;
    NotifyContentsReplaced();
    return true;
}

bool CQuillmereDoc::OnRecoverDocument(const QString &copyPath, const QString &transcriptPath)
{
    if (!ReadTranscript(copyPath))
        return false;
    if (transcriptPath.isEmpty()) {
        m_strPathName.clear();
        m_strTitle = g_strUntitled;
        NotifyStateChanged();
    } else {
        SetPathName(transcriptPath);
    }
    m_pTextDocument->setModified(true);
    NotifyContentsReplaced();
    m_bRecovered = true;
    return true;
}

// The text of an RTF file replaces the contents, unmodified and with nothing
// to undo; a file that cannot be read leaves them as they were.
bool CQuillmereDoc::ReadTranscript(const QString &path)
{
    QByteArray bytes;
    if (const CResult read = ReadWholeFile(path, bytes); !read) {
        ReportOpenFailure(read.Message());
        return false;
    }
    if (const QString problem = RtfProblem(bytes, path); !problem.isEmpty()) {
        ReportOpenFailure(problem);
        return false;
    }
    // The check above and the reader agree on what reads whole; the load
    // leaves nothing to undo.
    CRtfReader reader;
    reader.Read(bytes, *m_pTextDocument);
    m_pTextDocument->setModified(false);
    if (const int dropped = reader.DroppedPictures(); dropped > 0)
        ReportOpenFailure(QStringLiteral("文件“%1”中有 %2 幅图片无法显示（只能显示 PNG 和 JPEG 图片）。\n"
                                         "文件本身没有改动；保存后这些图片将不再保留。")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(dropped));
    return true;
}

CResult CQuillmereDoc::OnSaveDocument(const QString &path)
{
    const QByteArray rtf = CRtfWriter().Write(*m_pTextDocument);
    CAtomicFile file(path);
    if (CResult result = file.Open(); !result)
        return result;
    if (CResult result = file.Write(rtf); !result)
        return result;
    if (CResult result = file.Commit(); !result)
        return result;
    m_pTextDocument->setModified(false);
    m_bRecovered = false;
    return {};
}

bool CQuillmereDoc::DoFileSave()
{
    if (IsWritablePathName())
        return SaveAndReport(m_strPathName);
    return SaveThroughDialog();
}

void CQuillmereDoc::OnFileSave(ESaveKind kind)
{
    // A recovered text reaches its transcript only when the learner saves it.
    if (!IsModified() || (kind == ESaveKind::AutoSave && m_bRecovered))
        return;
    if (m_strMediaPath.isEmpty())
        DoFileSave();
    else
        SaveToMediaTranscript(kind);
}

bool CQuillmereDoc::OnFileSaveAs()
{
    return SaveThroughDialog();
}

bool CQuillmereDoc::SaveModified()
{
    if (!IsModified())
        return true;
    switch (AskToSaveChanges()) {
    case CPrompt::IDCANCEL: return false;
    case CPrompt::IDYES: return SaveForQuestion();
    default: return true; // No: the replacement discards the changes
    }
}

bool CQuillmereDoc::CanCloseFrame()
{
    // The question is asked here once; after No nothing asks again.
    return SaveModified();
}

bool CQuillmereDoc::IsModified() const
{
    return m_pTextDocument->isModified();
}

void CQuillmereDoc::SetModifiedFlag(bool modified)
{
    m_pTextDocument->setModified(modified);
}

QString CQuillmereDoc::GetSaveTargetPath() const
{
    return m_strMediaPath.isEmpty() ? m_strPathName : MediaRtfPath(m_strMediaPath);
}

QString CQuillmereDoc::ProposedSavePath() const
{
    if (!m_strPathName.isEmpty())
        return m_strPathName;
    return MediaRtfPath(m_strMediaPath);
}

int CQuillmereDoc::AskToSaveChanges() const
{
    const QString proposed = ProposedSavePath();
    const QString name = proposed.isEmpty() ? g_strUntitled : QDir::toNativeSeparators(proposed);
    return Prompt().MessageBox(QStringLiteral("是否保存对“%1”的更改？").arg(name),
                               CPrompt::MB_YESNOCANCEL | CPrompt::MB_ICONEXCLAMATION);
}

// Yes in the save question. A save that failed or whose dialog was cancelled
// keeps the text: the learner asked for it to be kept.
bool CQuillmereDoc::SaveForQuestion()
{
    const QString proposed = ProposedSavePath();
    if (proposed.isEmpty())
        return DoFileSave();
    return SaveAndReport(proposed);
}

bool CQuillmereDoc::SaveToMediaTranscript(ESaveKind kind)
{
    // The path name is not used here, even when it names another file: the
    // transcript belongs beside the media being played.
    if (!SaveAndReport(MediaRtfPath(m_strMediaPath)))
        return false;
    if (kind == ESaveKind::Learner)
        Prompt().MessageBox(QStringLiteral("文件保存成功"), CPrompt::MB_OK | CPrompt::MB_ICONINFORMATION);
    return true;
}

bool CQuillmereDoc::SaveAndReport(const QString &path)
{
    return ReportFailure(OnSaveDocument(path));
}

bool CQuillmereDoc::SaveThroughDialog()
{
    const QString proposed = m_strPathName.isEmpty() ? m_strTitle + g_strExtension : m_strPathName;
    const QString path = Prompt().GetSaveFileName(QStringLiteral("另存为"), proposed, g_strFilter, g_strExtension);
    if (path.isEmpty())
        return false; // cancelled: nothing written, nothing said
    if (!SaveAndReport(path))
        return false;
    SetPathName(path);
    return true;
}

bool CQuillmereDoc::IsWritablePathName() const
{
    if (m_strPathName.isEmpty())
        return false;
    // A recovered text may name a transcript whose folder has gone since.
    const QFileInfo info(m_strPathName);
    return info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isDir();
}

void CQuillmereDoc::SetPathName(const QString &path)
{
    m_strPathName = path;
    m_strTitle = QFileInfo(path).fileName();
    NotifyStateChanged();
}

void CQuillmereDoc::ReportOpenFailure(const QString &message) const
{
    Prompt().MessageBox(message, CPrompt::MB_OK | CPrompt::MB_ICONEXCLAMATION);
}

void CQuillmereDoc::NotifyStateChanged() const
{
    if (m_onStateChanged)
        m_onStateChanged();
}

void CQuillmereDoc::NotifyContentsReplaced() const
{
    if (m_onContentsReplaced)
        m_onContentsReplaced();
}

#include "frame/CRecoveryKeeper.h"

#include "base/CPrompt.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QTextDocument>
#include <algorithm>
#include <utility>

CRecoveryKeeper::CRecoveryKeeper(CQuillmereDoc &document, const QString &directory)
    : m_document(document), m_store(directory)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { WriteCopy(); });
    QTextDocument &text = m_document.GetTextDocument();
    connect(&text, &QTextDocument::contentsChanged, this, [this] { OnContentsChanged(); });
    connect(&text, &QTextDocument::modificationChanged, this,
            [this](bool modified) { OnModificationChanged(modified); });
}

void CRecoveryKeeper::SetTiming(std::chrono::milliseconds period, std::chrono::milliseconds pause)
{
    m_period = period;
    m_pause = pause;
}

void CRecoveryKeeper::OnContentsChanged()
{
    // Contents that are not modified replaced the text (an opened
    // transcript): its copy is of no more use.
    if (!m_document.IsModified())
        DiscardCopy();
    if (!m_sinceFirstChange.isValid())
        m_sinceFirstChange.start();
    ScheduleWrite();
}

void CRecoveryKeeper::OnModificationChanged(bool modified)
{
    if (modified)
        return;
    // Saved, or replaced after the learner discarded the changes.
    m_timer.stop();
    m_sinceFirstChange.invalidate();
    DiscardCopy();
}

// Every change moves the write to a pause after it, but never closer than a
// period to the last copy, nor further than two periods from the first change.
void CRecoveryKeeper::ScheduleWrite()
{
    qint64 due = m_pause.count();
    if (m_sinceWrite.isValid())
        due = std::max(due, m_period.count() - m_sinceWrite.elapsed());
    due = std::min(due, 2 * m_period.count() - m_sinceFirstChange.elapsed());
    m_timer.start(static_cast<int>(std::max<qint64>(due, 0)));
}

void CRecoveryKeeper::WriteCopy()
{
    m_sinceFirstChange.invalidate();
    // Emptied for a new document: the flag was cleared along with the text,
    // without a signal, so the copy goes here.
    if (!m_document.IsModified()) {
        DiscardCopy();
        return;
    }
    const QString transcriptPath = m_document.GetSaveTargetPath();
    const CResult written = m_store.Write(transcriptPath, CRtfWriter().Write(m_document.GetTextDocument()));
    m_sinceWrite.start();
    if (!written) {
        // Told once: a box every few seconds would stop the learner typing.
        if (!std::exchange(m_bFailureTold, true))
            ReportFailure(
                CResult::Failure(QStringLiteral("无法写入未保存听写文本的恢复副本。\n%1").arg(written.Message())));
        return;
    }
    m_bFailureTold = false;
    // The text now belongs to another transcript (another item was loaded):
    // the copy under the old name would offer it twice.
    const QString copyPath = m_store.CopyPathFor(transcriptPath);
    if (!m_strCopyPath.isEmpty() && m_strCopyPath != copyPath)
        m_store.RemoveCopy(m_strCopyPath);
    m_strCopyPath = copyPath;
}

void CRecoveryKeeper::WriteCopyNow()
{
    m_timer.stop();
    WriteCopy();
}

void CRecoveryKeeper::DiscardCopy()
{
    if (m_strCopyPath.isEmpty())
        return;
    m_store.RemoveCopy(m_strCopyPath);
    m_strCopyPath.clear();
}

void CRecoveryKeeper::OfferCopies()
{
    m_store.RemoveUnfinishedWrites();
    for (const CRecoveryStore::SCopy &copy : m_store.List()) {
        if (!OfferCopy(copy))
            break;
    }
}

// False when the learner kept the text already recovered (Cancel in the save
// question): the copies not yet offered stay for the next start.
bool CRecoveryKeeper::OfferCopy(const CRecoveryStore::SCopy &copy)
{
    const QString name = copy.m_strTranscriptPath.isEmpty() ? QStringLiteral("Untitled")
                                                            : QDir::toNativeSeparators(copy.m_strTranscriptPath);
    const QString question = QStringLiteral("恢复未保存的听写文本？\n\n%1\n最后写入于 %2\n\n选“否”将删除这份恢复副本。")
                                 .arg(name, copy.m_written.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (Prompt().MessageBox(question, CPrompt::MB_YESNO | CPrompt::MB_ICONQUESTION) != CPrompt::IDYES) {
        m_store.RemoveCopy(copy.m_strCopyPath);
        return true;
    }
    if (!m_document.SaveModified())
        return false;
    // A copy that cannot be read stays on disk: it may still be rescued by hand.
    if (m_document.OnRecoverDocument(copy.m_strCopyPath, copy.m_strTranscriptPath))
        m_strCopyPath = copy.m_strCopyPath;
    return true;
}

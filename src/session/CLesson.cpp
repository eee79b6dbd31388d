#include "session/CLesson.h"

#include "base/MediaPaths.h"
#include "editor/CQuillmereDoc.h"

#include <QFileInfo>
#include <QTextDocument>

CLesson::CLesson(CQuillmereDoc &document, const QString &progressFolder, QObject *parent)
    : QObject(parent), m_document(document), m_progress(progressFolder)
{
}

bool CLesson::SwitchTo(const QString &mediaPath)
{
    // Asked while the text still belongs to the recording it was typed for, so
    // that Yes saves it there.
    if (!m_document.SaveModified())
        return false;
    const QString rtfPath = mediaPath.isEmpty() ? QString() : MediaRtfPath(mediaPath);
    if (!QFileInfo(rtfPath).isFile() || !m_document.OnOpenDocument(rtfPath)) {
        m_document.OnNewDocument();
        emit TextSwitched(QString());
        return true;
    }
    emit TextSwitched(rtfPath);
    return true;
}

void CLesson::SetRecording(const QString &mediaPath)
{
    if (mediaPath != m_strRecording) {
        m_reference.clear();
        m_hints.clear();
    }
    m_strRecording = mediaPath;
    m_document.SetMediaPath(mediaPath);
}

void CLesson::LoadReference(std::uint32_t lengthMs)
{
    m_reference = CReferenceText::ForRecording(MediaLrcPath(m_strRecording), m_strRecording, lengthMs);
}

SCheckReport CLesson::Check(QString *problem)
{
    const CDictationCheck check(m_reference, m_document.GetTextDocument().toPlainText());
    const std::vector<SCheckRecord> previous = m_progress.Load(m_strRecording, problem);
    SCheckReport report = BuildCheckReport(m_reference, check, m_hints, previous);
    m_hints.clear();
    if (CResult kept = m_progress.Append(m_strRecording, report.Record(QDateTime::currentDateTime()));
        !kept && problem != nullptr)
        *problem = kept.Message();
    return report;
}

int CLesson::StretchAt(std::uint32_t positionMs) const
{
    for (size_t i = 0; i < m_reference.size(); ++i)
        if (positionMs >= m_reference[i].m_dwStartMs && positionMs < m_reference[i].m_dwEndMs)
            return int(i);
    return m_reference.empty() ? -1 : int(m_reference.size()) - 1;
}

std::optional<QString> CLesson::Hint(std::uint32_t positionMs)
{
    const int stretch = StretchAt(positionMs);
    if (stretch < 0)
        return std::nullopt;
    const CDictationCheck check(m_reference, m_document.GetTextDocument().toPlainText());
    int next = -1;
    for (int word = 0; word < int(check.ReferenceWords().size()); ++word) {
        if (check.StretchOfReferenceWord(word) != stretch)
            continue;
        if (check.Alignment().ReferenceAt(word).m_verdict == EWordVerdict::correct)
            next = -1;
        else if (next < 0)
            next = word;
    }
    if (next < 0)
        return std::nullopt;
    ++m_hints[stretch];
    return check.ReferenceWords().at(size_t(next)).m_strSpelling;
}

bool CLesson::IsRecoveredText() const
{
    return m_document.IsRecovered();
}

std::optional<int> CLesson::ScoreOf(std::uint32_t startMs, std::uint32_t endMs) const
{
    for (size_t i = 0; i < m_reference.size(); ++i) {
        if (m_reference[i].m_dwStartMs != startMs || m_reference[i].m_dwEndMs != endMs)
            continue;
        const CDictationCheck check(m_reference, m_document.GetTextDocument().toPlainText());
        return check.IsAttempted(int(i)) ? check.StretchCounts(int(i)).Percent() : std::nullopt;
    }
    return std::nullopt;
}

#include "session/CLesson.h"

#include "base/MediaPaths.h"
#include "editor/CQuillmereDoc.h"

#include <QFileInfo>

CLesson::CLesson(CQuillmereDoc &document, QObject *parent) : QObject(parent), m_document(document) {}

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
    m_strRecording = mediaPath;
    m_document.SetMediaPath(mediaPath);
}

bool CLesson::IsRecoveredText() const
{
    return m_document.IsRecovered();
}

// One lesson: the recording being played and the transcript the learner types
// for it, with the stretches saved for the recording. Leaving a recording goes
// through here, so the text is never replaced before the learner answered the
// document's save question.
#pragma once

#include "lists/CLrcFile.h"

#include <QObject>
#include <QString>
#include <vector>

class CQuillmereDoc;

class CLesson : public QObject
{
    Q_OBJECT

public:
    explicit CLesson(CQuillmereDoc &document, QObject *parent = nullptr);

    // Leaves the text of the current recording for the transcript beside
    // mediaPath (a new empty text when there is none or it cannot be read),
    // after the save question. False when the learner cancelled it, or asked
    // for a save that did not happen: the text stays as it was.
    bool SwitchTo(const QString &mediaPath);
    // Leaves the text for a new empty one, after the save question.
    bool SwitchToNewText() { return SwitchTo(QString()); }
    // The recording the text now belongs to ("" when none), without touching
    // the text: saves of the text go beside it.
    void SetRecording(const QString &mediaPath);
    const QString &RecordingPath() const { return m_strRecording; }

    // The stretches saved for the recording, as listed when it was opened.
    void SetStretches(const std::vector<CSelectionSpan> &stretches) { m_stretches = stretches; }
    const std::vector<CSelectionSpan> &Stretches() const { return m_stretches; }

    CQuillmereDoc &Document() { return m_document; }
    // The text came back from a recovery copy and has not been saved since.
    bool IsRecoveredText() const;

signals:
    // The text was switched: to the transcript read from rtfPath, or to a new
    // empty text when rtfPath is "".
    void TextSwitched(const QString &rtfPath);

private:
    CQuillmereDoc &m_document;
    QString m_strRecording;
    std::vector<CSelectionSpan> m_stretches;
};

// One lesson: the recording being played and the transcript the learner types
// for it, with the stretches saved for the recording and the reference text the
// transcript is checked against. Leaving a recording goes through here, so the
// text is never replaced before the learner answered the document's save question.
#pragma once

#include "lists/CLrcFile.h"
#include "lists/CProgressStore.h"
#include "lists/CReferenceText.h"
#include "session/CCheckReport.h"

#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <vector>

class CQuillmereDoc;

class CLesson : public QObject
{
    Q_OBJECT

public:
    // Checks are kept in progressFolder (empty: the learner's data folder).
    explicit CLesson(CQuillmereDoc &document, const QString &progressFolder = QString(), QObject *parent = nullptr);

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

    // Reads the reference text of the recording (its .lrc's text, subtitles or a
    // plain text file beside it), whose last stretch runs to lengthMs.
    void LoadReference(std::uint32_t lengthMs);
    bool HasReference() const { return CReferenceText::HasText(m_reference); }
    const std::vector<CReferenceStretch> &Reference() const { return m_reference; }

    // Checks the transcript against the reference, keeps the result with the
    // recording's progress and starts counting hints afresh. A failure to keep it
    // (or a damaged progress file set aside) is in problem; the report stands.
    SCheckReport Check(QString *problem = nullptr);
    // The next reference word after the last correct one of the stretch that holds
    // positionMs, counted as a hint taken; none when the stretch is all correct or
    // there is no reference there.
    std::optional<QString> Hint(std::uint32_t positionMs);
    // The score of the reference stretch with these times in a check of the whole
    // transcript; none when there is no such stretch or it is not attempted yet.
    std::optional<int> ScoreOf(std::uint32_t startMs, std::uint32_t endMs) const;

    CQuillmereDoc &Document() { return m_document; }
    // The text came back from a recovery copy and has not been saved since.
    bool IsRecoveredText() const;

signals:
    // The text was switched: to the transcript read from rtfPath, or to a new
    // empty text when rtfPath is "".
    void TextSwitched(const QString &rtfPath);

private:
    int StretchAt(std::uint32_t positionMs) const;

    CQuillmereDoc &m_document;
    CProgressStore m_progress;
    QString m_strRecording;
    std::vector<CSelectionSpan> m_stretches;
    std::vector<CReferenceStretch> m_reference;
    std::map<int, int> m_hints; // taken per reference stretch since the last check
};

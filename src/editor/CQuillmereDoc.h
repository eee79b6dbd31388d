// The dictation document: what the learner types while listening, kept as a
// QTextDocument and stored as RTF beside the media file being played. It
// decides where a save goes and asks before its text is replaced or the
// window closes. The editor view shows and edits its QTextDocument.
#pragma once

#include "base/CResult.h"

#include <QString>
#include <functional>
#include <memory>

class QTextDocument;

class CQuillmereDoc
{
public:
    CQuillmereDoc();
    ~CQuillmereDoc();
    CQuillmereDoc(const CQuillmereDoc &) = delete;
    CQuillmereDoc &operator=(const CQuillmereDoc &) = delete;

    QTextDocument &GetTextDocument() const { return *m_pTextDocument; }

    // Who saves: the learner's save says so when it succeeded; the auto-save
    // works quietly and leaves a recovered text alone.
    enum class ESaveKind { Learner, AutoSave };

    // The recording the text belongs to, "" while none is loaded: its
    // transcript is where a save goes.
    void SetMediaPath(const QString &mediaPath) { m_strMediaPath = mediaPath; }
    // Called after the title changed (a new document, an open, a save-as). The
    // modified flag alone leaves it alone, so typing never replaces a window
    // title that names the playing item.
    void SetStateChangedHandler(std::function<void()> handler) { m_onStateChanged = std::move(handler); }
    // Called after a new document or an opened transcript replaced the text
    // (the view's initial update).
    void SetContentsReplacedHandler(std::function<void()> handler) { m_onContentsReplaced = std::move(handler); }

    // Empties the text: title "Untitled", no path name, not modified.
    bool OnNewDocument();
    // Reads an RTF transcript. A file that cannot be read, is no RTF or is
    // damaged is reported to the learner and leaves this document as it was.
    bool OnOpenDocument(const QString &path);
    // Brings back the text of a recovery copy as the modified document of the
    // transcript path (empty: an untitled text). The transcript on disk is
    // not touched until the learner saves. False, after telling the learner,
    // when the copy cannot be read.
    bool OnRecoverDocument(const QString &copyPath, const QString &transcriptPath);
    // Writes the text as RTF to the path, whole or not at all, without asking
    // or telling; clears the modified flag on success. The path name and the
    // title stay as they are.
    CResult OnSaveDocument(const QString &path);
    // To the path name when there is one that may be written, otherwise
    // through the save dialog. A failure has been reported when it returns false.
    bool DoFileSave();

    // ID_FILE_SAVE: a modified text goes beside the loaded media file; with no
    // media it is an ordinary save.
    void OnFileSave(ESaveKind kind = ESaveKind::Learner);
    // ID_FILE_SAVE_AS: always asks for the name.
    bool OnFileSaveAs();

    // Before the text is replaced by a new or opened document: asks whether to
    // save a modified text. False (Cancel, or a save that did not happen) means
    // the replacement must not go ahead; that is the playlist pane's proceed flag.
    bool SaveModified();
    // Before the main window closes: the same question, asked once.
    bool CanCloseFrame();

    bool IsModified() const;
    // Where the save command would write the text now: beside the loaded
    // media, else the path name; empty for an untitled text with no media.
    QString GetSaveTargetPath() const;
    void SetModifiedFlag(bool modified = true);
    const QString &GetPathName() const { return m_strPathName; }
    const QString &GetTitle() const { return m_strTitle; }

    // From a recovery until the learner saves the text or replaces it.
    bool IsRecovered() const { return m_bRecovered; }

private:
    // The name the save question offers: the path name, else the transcript
    // beside the loaded media, else empty ("Untitled").
    QString ProposedSavePath() const;
    int AskToSaveChanges() const;
    bool SaveForQuestion();
    bool SaveToMediaTranscript(ESaveKind kind);
    bool SaveAndReport(const QString &path);
    bool SaveThroughDialog();
    bool IsWritablePathName() const;
    void SetPathName(const QString &path);
    bool ReadTranscript(const QString &path);
    void ReportOpenFailure(const QString &message) const;
    void NotifyStateChanged() const;
    void NotifyContentsReplaced() const;

    std::unique_ptr<QTextDocument> m_pTextDocument;
    QString m_strPathName;
    QString m_strTitle;
    QString m_strMediaPath;
    bool m_bRecovered = false;
    std::function<void()> m_onStateChanged;
    std::function<void()> m_onContentsReplaced;
};

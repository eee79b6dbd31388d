// The editor pane: the rich-text editor on the dictation document's text. It
// handles the Edit and Format commands, find and replace, printing, the
// line-number pane and the auto-save timer, and passes the document's own
// commands to the document, which sits in a layer that knows no commands.
#pragma once

#include "app/CCmdTarget.h"
#include "views/CFindReplace.h"
#include "views/CFindReplaceDlg.h"

#include <QPointer>
#include <QTextEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CQuillmereDoc;
class IEditorDialogs;
class QPrinter;
class QTextBlock;
enum class ECharEffect;

class CQuillmereView : public QTextEdit, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CQuillmereView(CQuillmereDoc &document, QWidget *parent = nullptr);
    ~CQuillmereView() override;

    CQuillmereDoc &GetDocument() const { return m_document; }

    // Where the "AutoSave" setting (minutes, 0 = off) is read each time the
    // timer restarts. Without one the timer never runs.
    void SetAutoSaveMinutesSource(std::function<int()> minutes) { m_autoSaveMinutes = std::move(minutes); }
    // The length of one auto-save minute in milliseconds: 60000, shorter in tests.
    void SetAutoSaveMinuteLength(int milliseconds) { m_nMinuteLength = milliseconds; }
    // Stops the auto-save timer and starts it afresh with the current setting.
    void RestartAutoSave();
    void StopAutoSave();
    // The period of the running auto-save timer in milliseconds; 0 when none runs.
    int GetAutoSavePeriod() const { return m_nAutoSaveTimer != 0 ? m_nAutoSavePeriod : 0; }

    // What runs for every new and every opened document: the starting
    // character format at the start of the text and a fresh auto-save period.
    void OnInitialUpdate();

    // Timestamps link the transcript to the recording: position gives the
    // playing position in milliseconds (none while no item is open), playFrom
    // plays the item from a time.
    void SetPlaybackLink(std::function<std::optional<std::uint32_t>()> position,
                         std::function<void(std::uint32_t)> playFrom);
    // The time of the timestamp the caret stands on, if it stands on one.
    std::optional<std::uint32_t> TimestampAtCaret() const;

    // The pop-up menu's commands go through the window's routing (raise) and
    // take their state from it (query). Without it they stay in this view.
    void SetCommandRouting(std::function<void(unsigned)> raise, std::function<CCmdUI(unsigned)> query);
    // Replaces the platform's dialogs (not owned; null restores them).
    void SetDialogs(IEditorDialogs *dialogs);
    // The printer that printing, the preview and the printer set-up share.
    QPrinter &Printer();
    // The open find or replace dialog, or null.
    CFindReplaceDlg *FindReplaceDialog() const { return m_pFindDlg; }
    // The zero-based line, as laid out, that holds the caret or the start of
    // the selection; wrapped lines count.
    int CaretLine() const;

    // Pages are printed with half-inch margins on every side.
    static constexpr int kPrintMarginTwips = 720;

protected:
    // RTF travels through the clipboard beside plain text and HTML, so formats
    // survive a copy to and a paste from word processors.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;
    void timerEvent(QTimerEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    static bool CarriesAnything(const QMimeData *source);
    void AddEditCommands();
    void AddFindCommands();
    void AddTimestampCommands();
    void AddFormatCommands();
    void AddEffectCommand(unsigned id, ECharEffect effect);
    void AddAlignmentCommand(unsigned id, Qt::Alignment alignment);
    void AddPrintCommands();
    void AddDocumentCommands();
    bool HasSelection() const;
    static unsigned FormatCommandOfKey(const QKeyEvent &event);
    void ApplyStartingFormat();
    void OnAutoSaveTick();
    void OnPasteSpecial();
    void ToggleEffect(ECharEffect effect);
    void SetAlignment(Qt::Alignment alignment);
    void OnFormatFont();
    void OnFormatColor();
    void ApplyToSelectionOrWord(const QTextCharFormat &format);
    void OpenFindReplace(bool replace);
    void OnFindAction(CFindReplaceDlg::EAction action, const SFindOptions &options);
    void RepeatFind();
    void PrintTo(QPrinter &printer) const;
    int LinesBefore(const QTextBlock &block) const;

    CQuillmereDoc &m_document;
    std::function<int()> m_autoSaveMinutes;
    std::function<std::optional<std::uint32_t>()> m_playingPosition;
    std::function<void(std::uint32_t)> m_playFrom;
    int m_nMinuteLength = 60000;
    int m_nAutoSaveTimer = 0; // the running timer's id as Qt returned it; 0 when none runs
    int m_nAutoSavePeriod = 0;
    std::function<void(unsigned)> m_raise;
    std::function<CCmdUI(unsigned)> m_query;
    std::unique_ptr<IEditorDialogs> m_pPlatformDialogs;
    IEditorDialogs *m_pDialogs;
    std::unique_ptr<QPrinter> m_pPrinter; // made at the first use: it asks the print system
    CFindReplace m_find;
    QPointer<CFindReplaceDlg> m_pFindDlg;
    struct SLineCount {
        int revision = -1;
        qreal width = -1; // the width the text is laid out in
        int blockNumber = -1;
        int lines = 0;
    };
    mutable SLineCount m_linesBefore; // the lines before the caret's paragraph, when last counted
};

// The editor pane: the rich-text editor on the dictation document's text. It
// handles the Edit menu's commands and passes the document's own commands to
// the document, which sits in a layer that knows no commands.
#pragma once

#include "app/CCmdTarget.h"

#include <QTextEdit>
#include <functional>

class CQuillmereDoc;

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

protected:
    // RTF travels through the clipboard beside plain text and HTML, so formats
    // survive a copy to and a paste from word processors.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;
    void timerEvent(QTimerEvent *event) override;

private:
    void AddEditCommands();
    void AddDocumentCommands();
    bool HasSelection() const;
    void ApplyStartingFormat();
    void OnAutoSaveTick();

    CQuillmereDoc &m_document;
    std::function<int()> m_autoSaveMinutes;
    int m_nMinuteLength = 60000;
    int m_nAutoSaveTimer = 0; // the running timer's id as Qt returned it; 0 when none runs
    int m_nAutoSavePeriod = 0;
};

// The editor pane: the rich-text editor on the dictation document's text. It
// handles the Edit menu's commands and passes the document's own commands to
// the document, which sits in a layer that knows no commands.
#pragma once

#include "app/CCmdTarget.h"

#include <QTextEdit>

class CQuillmereDoc;

class CQuillmereView : public QTextEdit, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CQuillmereView(CQuillmereDoc &document, QWidget *parent = nullptr);

    CQuillmereDoc &GetDocument() const { return m_document; }

protected:
    // RTF travels through the clipboard beside plain text and HTML, so formats
    // survive a copy to and a paste from word processors.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void AddEditCommands();
    void AddDocumentCommands();
    bool HasSelection() const;

    CQuillmereDoc &m_document;
};

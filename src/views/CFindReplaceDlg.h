// The find dialog (Ctrl+F) and the replace dialog (Ctrl+H): not modal, so the
// learner goes on typing while it stays open. It only collects the search;
// the editor does it through the callbacks.
#pragma once

#include "views/CFindReplace.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

class CFindReplaceDlg : public QDialog
{
    Q_OBJECT

public:
    enum EAction { FindNext, ReplaceOne, ReplaceAll };

    CFindReplaceDlg(bool replace, const SFindOptions &start, QWidget *parent);

    bool IsReplaceDialog() const { return m_pReplaceEdit != nullptr; }
    // Runs with the search as the dialog shows it when a button is pressed.
    void SetActionHandler(std::function<void(EAction, const SFindOptions &)> handler)
    {
        m_onAction = std::move(handler);
    }
    SFindOptions Options() const;

    // The controls, for tests that fill the dialog in as a learner would.
    QLineEdit *FindEdit() const { return m_pFindEdit; }
    QLineEdit *ReplaceEdit() const { return m_pReplaceEdit; }
    QPushButton *Button(EAction action) const { return m_buttons[action]; }

private:
    void AddButton(EAction action, const QString &text);
    void UpdateButtons();
    void Raise(EAction action);

    QLineEdit *m_pFindEdit = nullptr;
    QLineEdit *m_pReplaceEdit = nullptr;
    QCheckBox *m_pWholeWord = nullptr;
    QCheckBox *m_pMatchCase = nullptr;
    QRadioButton *m_pUp = nullptr;
    QPushButton *m_buttons[3] = {};
    QVBoxLayout *m_pButtonColumn = nullptr;
    std::function<void(EAction, const SFindOptions &)> m_onAction;
};

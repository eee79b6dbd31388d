// The format bar above the editor: bold, italic, underline, the three
// alignments and the text colour as buttons that raise their commands, whose
// states come from the editor's update handlers, and two lists, the font face
// and the font size, that follow the editor's selection while the program is
// idle and change the selection's face or size when the learner chooses.
#pragma once

#include "app/CCmdUI.h"

#include <QPointer>
#include <QTextEdit>
#include <QToolBar>
#include <functional>
#include <map>

class QComboBox;
class QToolButton;

class CFormatBar : public QToolBar
{
public:
    using CommandRaiser = std::function<void(unsigned)>;
    using CommandQuery = std::function<CCmdUI(unsigned)>;

    // The sizes offered, in points.
    static constexpr int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 36, 48, 72};

    explicit CFormatBar(QWidget *parent = nullptr);

    // How a button raises its command and how its state is asked for (the
    // host form's route, which offers both to the editor first).
    void SetCommandRouting(CommandRaiser raise, CommandQuery query);
    // The editor the lists follow and change; not owned; null for none.
    void SetEditor(QTextEdit *editor) { m_pEditor = editor; }

    // The idle update: the buttons' states, then the two lists from the
    // editor's selection, unless the learner is working in one of them.
    void OnUpdateCmdUI();

    QComboBox *FontNameBox() const { return m_pFontNameBox; }
    QComboBox *FontSizeBox() const { return m_pFontSizeBox; }
    QToolButton *Button(unsigned id) const;
    // A button's check mark as its update handler last gave it: 0 clear,
    // 1 set, 2 indeterminate (drawn pressed with a grey image).
    int ButtonCheck(unsigned id) const;

private:
    void AddButton(unsigned id, const QString &name);
    void CreateFontNameBox();
    void CreateFontSizeBox();
    void UpdateButtons();
    bool IsWorkingInLists() const;
    void FollowSelection();
    void OnFontNameChosen(int index);
    void OnFontSizeChosen(int index);
    void OnListClosed();

    QFont m_boxFont;
    CommandRaiser m_raise;
    CommandQuery m_query;
    QPointer<QTextEdit> m_pEditor;
    std::map<unsigned, QToolButton *> m_buttons;
    QComboBox *m_pFontNameBox = nullptr;
    QComboBox *m_pFontSizeBox = nullptr;
};

// What an update handler says about a command at this moment: whether it can
// run, its check mark (0 clear, 1 set, 2 indeterminate) and, for a status-bar
// pane, its text. Menus, toolbar buttons, bar buttons and panes take their
// state from it.
#pragma once

#include <QString>

class CCmdUI
{
public:
    explicit CCmdUI(unsigned id) : m_nID(id) {}

    void Enable(bool enable = true) { m_bEnabled = enable; }
    void SetCheck(int check = 1) { m_nCheck = check; }
    void SetText(const QString &text) { m_strText = text; }

    unsigned m_nID;
    bool m_bEnabled = false; // a command nobody handles stays disabled
    int m_nCheck = 0;
    QString m_strText; // null when the handler sets no text
};

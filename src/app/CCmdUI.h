// What an update handler says about a command at this moment: whether it can
// run, and its check mark (0 clear, 1 set, 2 indeterminate). Menus, toolbar
// buttons and bar buttons take their state from it.
#pragma once

class CCmdUI
{
public:
    explicit CCmdUI(unsigned id) : m_nID(id) {}

    void Enable(bool enable = true) { m_bEnabled = enable; }
    void SetCheck(int check = 1) { m_nCheck = check; }

    unsigned m_nID;
    bool m_bEnabled = false; // a command nobody handles stays disabled
    int m_nCheck = 0;
};

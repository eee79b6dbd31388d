// The one table of the program's commands: the main menu, the pop-up menus,
// the keyboard shortcuts and the toolbars, each naming commands by number.
// Menus, shortcuts and bar buttons are built from here and nowhere else; the
// prompt and tooltip of each command come from the string table.
#pragma once

#include <QString>
#include <vector>

struct SMenuEntry {
    enum EKind { command, separator, submenu };

    EKind m_kind = command;
    unsigned m_nID = 0;              // the command; 0 for separators and sub-menus
    QString m_strText;               // as shown: "&" before the access key, a tab before the shortcut
    std::vector<SMenuEntry> m_items; // a sub-menu's items
    bool m_bPlaceholder = false;     // shown disabled whatever the routing says
};

struct SAccelerator {
    QString m_strKeys; // portable key text, "Ctrl+O", "Alt+Up", "Shift+Del"
    unsigned m_nID;
};

namespace CommandTable
{
// The main menu's top-level sub-menus, in order.
const std::vector<SMenuEntry> &MainMenu();

// The items of a pop-up menu resource (IDR_PLAYLIST_POPUP …); empty for an
// unknown resource.
const std::vector<SMenuEntry> &PopupMenu(unsigned resource);

// The frame's shortcuts, each key once.
const std::vector<SAccelerator> &Accelerators();

// The keys of the shortcuts that belong to a focused text field when it has
// one (copy, cut, paste, undo, select all): the frame takes them only when
// the focused widget leaves them alone.
bool IsEditingKey(const QString &keys);

// The buttons of a toolbar resource in order; 0 stands for a separator.
const std::vector<unsigned> &ToolbarButtons(unsigned resource);

// Every command that any menu, shortcut or toolbar raises, each once.
std::vector<unsigned> AllCommands();

// A command's main-menu text without its access key and shortcut
// ("控制栏(&C)" gives "控制栏"); empty for a command the main menu lacks.
QString PlainMenuText(unsigned id);

// The status-bar prompt and the tooltip of a command (the two halves of its
// string); empty when it has none.
QString Prompt(unsigned id);
QString Tooltip(unsigned id);
} // namespace CommandTable

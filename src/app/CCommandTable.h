// The one table of the program's commands: a row per command holds everything
// said about it once (its menu text, its keys, its icon, its status-bar prompt
// and tooltip, how it behaves), and the main menu, the pop-up menus, the
// toolbars and the keyboard shortcuts are laid out from the rows by number.
#pragma once

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <vector>

// How a command behaves beyond running: the bits of SCommand::m_nFlags.
enum ECommandFlag : unsigned {
    // Its keys belong to a focused text field that has them (copy, cut,
    // paste, undo, select all): the frame takes them only when the focused
    // widget leaves them alone.
    CMD_EDITING_KEYS = 1u << 0,
    // Its keys work in the dictation editor only, which runs the command
    // itself (Ctrl+B for bold); the frame binds none of them.
    CMD_EDITOR_KEYS = 1u << 1,
    // The menu names a key that nothing binds: a bare letter bound by the
    // window would be taken from typing.
    CMD_KEY_SHOWN_ONLY = 1u << 2,
    // Running it ends a running dictation drill.
    CMD_ENDS_DRILL = 1u << 3,
    // A menu item shown disabled whatever the routing says.
    CMD_PLACEHOLDER = 1u << 4,
};

struct SCommand {
    unsigned m_nID = 0;
    QString m_strMenuText; // "&" before the access key, no shortcut; empty for a command no menu shows
    QStringList m_keys;    // as menus show them ("Alt+UP"); the first is the one shown, all are bound
    QString m_strIcon;     // the icon's name under :/icons without ".svg"; empty for none
    QString m_strPrompt;   // shown in the status bar while the item is hovered
    QString m_strTooltip;  // without the key it may name, see m_nTooltipKeyOf
    // The command whose key the tooltip names after its text: a control-bar
    // button names the key that does what it does (the play button names F1
    // of play/pause); 0 for a tooltip that names none.
    unsigned m_nTooltipKeyOf = 0;
    unsigned m_nFlags = 0;

    bool Has(ECommandFlag flag) const { return (m_nFlags & flag) != 0; }
};

struct SMenuEntry {
    enum EKind { command, separator, submenu };

    EKind m_kind = command;
    unsigned m_nID = 0;              // the command; 0 for separators and sub-menus
    QString m_strText;               // as shown: "&" before the access key, a tab before the shortcut
    std::vector<SMenuEntry> m_items; // a sub-menu's items
    bool m_bPlaceholder = false;     // shown disabled whatever the routing says
};

struct SAccelerator {
    QKeySequence m_keys;
    unsigned m_nID;
};

namespace CommandTable
{
// Every command, each once.
const std::vector<SCommand> &Commands();

// The row of a command; null for a number that is no command.
const SCommand *Find(unsigned id);

// Whether a command has a flag; false for a number that is no command.
bool Has(unsigned id, ECommandFlag flag);

// The key a menu names ("Alt+UP", "Alt+Enter") as the key sequence it binds.
// Key names are read without regard to case; a menu's "Enter" is the main
// Enter key, which Qt calls Return (its Enter is the keypad's).
QKeySequence KeysOf(const QString &shown);

// The main menu's top-level sub-menus, in order.
const std::vector<SMenuEntry> &MainMenu();

// The items of a pop-up menu resource (IDR_PLAYLIST_POPUP …); empty for an
// unknown resource.
const std::vector<SMenuEntry> &PopupMenu(unsigned resource);

// The frame's shortcuts: every key of every command but those the editor
// keeps and those only named.
std::vector<SAccelerator> Accelerators();

// The command an editor-only key runs (Ctrl+B: bold); 0 for any other key.
unsigned EditorCommandOfKeys(const QKeySequence &keys);

// The buttons of a toolbar resource in order; 0 stands for a separator.
const std::vector<unsigned> &ToolbarButtons(unsigned resource);

// A command's menu text without its access key ("控制栏(&C)" gives "控制栏");
// empty for a command no menu shows.
QString PlainMenuText(unsigned id);

// The status-bar prompt and the tooltip of a command; empty when it has none.
QString Prompt(unsigned id);
QString Tooltip(unsigned id);
} // namespace CommandTable

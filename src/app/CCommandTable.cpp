#include "app/CCommandTable.h"

#include "app/Resource.h"

#include <QRegularExpression>
#include <array>
#include <map>
#include <unordered_map>

namespace
{

// A row as written below; Commands() turns each into an SCommand.
struct SRow {
    unsigned id;
    const char16_t *text = u"";
    std::array<const char *, 2> keys{};
    const char *icon = "";
    const char16_t *prompt = u"";
    const char16_t *tooltip = u"";
    unsigned tooltipKeyOf = 0;
    unsigned flags = 0;
};

// One row per command; clang-format would spread a row over a line per field.
// clang-format off
constexpr SRow kRows[] = {
    // The control bar's buttons and the commands of the same number. A
    // button's tooltip names the key that does what the button does.
    {.id = IDC_PLAY_BUTTON, .icon = "play", .tooltip = u"播放", .tooltipKeyOf = ID_PLAY_PAUSE, .flags = CMD_ENDS_DRILL},
    {.id = IDC_PAUSE_BUTTON, .icon = "pause", .tooltip = u"暂停", .tooltipKeyOf = ID_PLAY_PAUSE, .flags = CMD_ENDS_DRILL},
    {.id = IDC_STOP, .text = u"停止", .keys = {"F2"}, .icon = "stop",
     .tooltip = u"停止", .tooltipKeyOf = IDC_STOP, .flags = CMD_ENDS_DRILL},
    {.id = IDC_PREV_ITEM, .text = u"上一项目", .keys = {"Alt+UP"}, .icon = "previous-item",
     .tooltip = u"上一项目", .tooltipKeyOf = IDC_PREV_ITEM, .flags = CMD_ENDS_DRILL},
    {.id = IDC_NEXT_ITEM, .text = u"下一项目", .keys = {"Alt+DOWN"}, .icon = "next-item",
     .tooltip = u"下一项目", .tooltipKeyOf = IDC_NEXT_ITEM, .flags = CMD_ENDS_DRILL},
    {.id = IDC_START_LEFT, .text = u"左移起点", .keys = {"F5"}, .icon = "move-start-left",
     .tooltip = u"左移起点", .tooltipKeyOf = IDC_START_LEFT, .flags = CMD_ENDS_DRILL},
    {.id = IDC_SET_START, .text = u"选择起点", .keys = {"F6"}, .icon = "set-start",
     .tooltip = u"选择起点", .tooltipKeyOf = IDC_SET_START, .flags = CMD_ENDS_DRILL},
    {.id = IDC_SET_END, .text = u"选择终点", .keys = {"F7"}, .icon = "set-end",
     .tooltip = u"选择终点", .tooltipKeyOf = IDC_SET_END, .flags = CMD_ENDS_DRILL},
    {.id = IDC_END_RIGHT, .text = u"右移终点", .keys = {"F8"}, .icon = "move-end-right",
     .tooltip = u"右移终点", .tooltipKeyOf = IDC_END_RIGHT, .flags = CMD_ENDS_DRILL},
    {.id = IDC_PREV_SELECTION, .text = u"上一选择段", .keys = {"Ctrl+U"}, .icon = "previous-selection",
     .tooltip = u"上一选择段", .tooltipKeyOf = IDC_PREV_SELECTION, .flags = CMD_ENDS_DRILL},
    {.id = IDC_NEXT_SELECTION, .text = u"下一选择段", .keys = {"Ctrl+D"}, .icon = "next-selection",
     .tooltip = u"下一选择段", .tooltipKeyOf = IDC_NEXT_SELECTION, .flags = CMD_ENDS_DRILL},
    {.id = IDC_CLEAR_SELECTION, .text = u"清除选择", .keys = {"F9"}, .icon = "clear-selection",
     .tooltip = u"清除选择", .tooltipKeyOf = IDC_CLEAR_SELECTION, .flags = CMD_ENDS_DRILL},
    {.id = IDC_SAVE_SELECTION, .text = u"保存选择", .keys = {"F10"}, .icon = "save-selection",
     .tooltip = u"保存选择", .tooltipKeyOf = IDC_SAVE_SELECTION, .flags = CMD_ENDS_DRILL},
    {.id = IDC_MUTE_BUTTON, .icon = "mute", .tooltip = u"静音", .tooltipKeyOf = ID_MUTE},
    {.id = IDC_SCROLL_UP, .icon = "scroll-up"},
    {.id = IDC_SCROLL_DOWN, .icon = "scroll-down"},

    // The program's own commands.
    {.id = ID_ESCAPE, .keys = {"Esc"}},
    {.id = ID_PLAY_PAUSE, .text = u"播放/暂停", .keys = {"F1"}},
    {.id = ID_MUTE, .text = u"静音", .keys = {"Ctrl+M"}},
    {.id = ID_VOLUME_UP, .text = u"增加音量", .keys = {"Alt+Right"}},
    {.id = ID_VOLUME_DOWN, .text = u"减小音量", .keys = {"Alt+Left"}},
    {.id = ID_ORDER_DEFAULT, .text = u"默认"},
    {.id = ID_ORDER_REPEAT_ONE, .text = u"重复单项"},
    {.id = ID_ORDER_REPEAT_LIST, .text = u"重复（播放列表）"},
    {.id = ID_VIEW_CONTROLBAR, .text = u"控制栏(&C)"},
    {.id = ID_VIEW_EFFECTSBAR, .text = u"音效栏(&E)"},
    {.id = ID_SETTINGS, .text = u"设置...", .keys = {"O"}, .icon = "settings",
     .prompt = u"应用程序设置", .tooltip = u"设置", .flags = CMD_KEY_SHOWN_ONLY},
    {.id = ID_MEDIA_PROPERTIES, .text = u"媒体属性..."},
    {.id = ID_FORMAT_FONT, .text = u"字体..."},
    {.id = ID_FORMAT_COLOR, .text = u"文字着色...", .icon = "text-colour"},
    {.id = ID_CHAR_BOLD, .keys = {"Ctrl+B"}, .icon = "bold", .flags = CMD_EDITOR_KEYS},
    {.id = ID_CHAR_ITALIC, .keys = {"Ctrl+I"}, .icon = "italic", .flags = CMD_EDITOR_KEYS},
    {.id = ID_CHAR_UNDERLINE, .icon = "underline"}, // Ctrl+U goes to the previous selection
    {.id = ID_PARA_LEFT, .keys = {"Ctrl+L"}, .icon = "align-left", .flags = CMD_EDITOR_KEYS},
    {.id = ID_PARA_CENTER, .keys = {"Ctrl+E"}, .icon = "align-center", .flags = CMD_EDITOR_KEYS},
    {.id = ID_PARA_RIGHT, .keys = {"Ctrl+R"}, .icon = "align-right", .flags = CMD_EDITOR_KEYS},
    {.id = ID_PLAYLIST_PLAY, .text = u"播放"},
    {.id = ID_PLAYLIST_REMOVE, .text = u"从列表中移除"},
    {.id = ID_PLAYLIST_REMOVE_ALL, .text = u"移除所有"},
    {.id = ID_PLAYLIST_ADD, .text = u"添加文件到列表"},
    {.id = ID_PLAYLIST_PROPERTIES, .text = u"媒体属性..."},
    {.id = ID_SELECTION_PLAY, .text = u"播放选中", .flags = CMD_ENDS_DRILL},
    {.id = ID_SELECTION_REMOVE, .text = u"从列表中移除", .flags = CMD_ENDS_DRILL},
    {.id = ID_SELECTION_REMOVE_ALL, .text = u"移除所有", .flags = CMD_ENDS_DRILL},
    {.id = ID_DRILL_TOGGLE, .text = u"听写练习", .keys = {"F4"},
     .prompt = u"逐段听写：每段播放数遍，每遍后留出书写时间", .tooltip = u"听写练习"},
    {.id = ID_TRAY_RESTORE, .text = u"恢复窗口"},
    {.id = ID_HELP_WEBSITE, .text = u"访问网站..."},
    {.id = ID_HELP_MAIL, .text = u"发送邮件给作者..."},

    // Standard commands.
    {.id = ID_FILE_NEW, .keys = {"Ctrl+N"}, .prompt = u"创建新的听写文本", .tooltip = u"新建"},
    {.id = ID_FILE_OPEN, .text = u"打开媒体(&O)...", .keys = {"Ctrl+O"}, .icon = "open",
     .prompt = u"打开现有媒体文件", .tooltip = u"打开媒体"},
    {.id = ID_FILE_SAVE, .text = u"保存听写文本(&S)", .keys = {"Ctrl+S"}, .icon = "save",
     .prompt = u"保存活动文档", .tooltip = u"保存听写文本"},
    {.id = ID_FILE_SAVE_AS, .text = u"听写文本另存为(&A)...", .icon = "save-as",
     .prompt = u"将活动文档以一个新文件名保存", .tooltip = u"听写文本另存为"},
    {.id = ID_FILE_PRINT, .text = u"打印(&P)...", .keys = {"Ctrl+P"}, .icon = "print",
     .prompt = u"打印活动文档", .tooltip = u"打印"},
    {.id = ID_FILE_PRINT_PREVIEW, .text = u"打印预览(&V)", .prompt = u"显示整页", .tooltip = u"打印预览"},
    {.id = ID_FILE_PRINT_SETUP, .text = u"打印设置(&R)...", .prompt = u"更改打印机及打印选项", .tooltip = u"打印设置"},
    {.id = ID_FILE_MRU_FILE1, .text = u"最近文件", .flags = CMD_PLACEHOLDER},
    {.id = ID_APP_EXIT, .text = u"退出(&X)", .prompt = u"退出应用程序；提示保存文档", .tooltip = u"退出"},
    {.id = ID_EDIT_UNDO, .text = u"撤消(&U)", .keys = {"Ctrl+Z", "Alt+Backspace"},
     .prompt = u"撤消上一个操作", .tooltip = u"撤消", .flags = CMD_EDITING_KEYS},
    {.id = ID_EDIT_CUT, .text = u"剪切(&T)", .keys = {"Ctrl+X", "Shift+Del"}, .icon = "cut",
     .prompt = u"剪切选定内容并将其放到剪贴板上", .tooltip = u"剪切", .flags = CMD_EDITING_KEYS},
    {.id = ID_EDIT_COPY, .text = u"复制(&C)", .keys = {"Ctrl+C", "Ctrl+Ins"}, .icon = "copy",
     .prompt = u"复制选定内容并将其放到剪贴板上", .tooltip = u"复制", .flags = CMD_EDITING_KEYS},
    {.id = ID_EDIT_PASTE, .text = u"粘贴(&P)", .keys = {"Ctrl+V", "Shift+Ins"}, .icon = "paste",
     .prompt = u"插入剪贴板内容", .tooltip = u"粘贴", .flags = CMD_EDITING_KEYS},
    {.id = ID_EDIT_PASTE_SPECIAL, .text = u"选择性粘贴(&S)...",
     .prompt = u"插入剪贴板内容并选择其格式", .tooltip = u"选择性粘贴"},
    {.id = ID_EDIT_SELECT_ALL, .text = u"全选(&L)", .keys = {"Ctrl+A"},
     .prompt = u"选定整个文档", .tooltip = u"全选", .flags = CMD_EDITING_KEYS},
    {.id = ID_EDIT_FIND, .text = u"查找(&F)...", .keys = {"Ctrl+F"}, .prompt = u"查找指定的文本", .tooltip = u"查找"},
    {.id = ID_EDIT_REPEAT, .text = u"查找下一个(&I)", .keys = {"F3"},
     .prompt = u"查找下一个相同的文本", .tooltip = u"查找下一个"},
    {.id = ID_EDIT_REPLACE, .text = u"替换(&E)", .keys = {"Ctrl+H"},
     .prompt = u"用其他文本替换指定的文本", .tooltip = u"替换"},
    {.id = ID_INSERT_TIMESTAMP, .text = u"插入时间标记(&M)", .keys = {"Ctrl+T"},
     .prompt = u"在插入点插入当前的播放位置，如 [01:23]", .tooltip = u"插入时间标记"},
    {.id = ID_PLAY_FROM_TIMESTAMP, .text = u"从时间标记处播放(&J)",
     .prompt = u"从插入点所在的时间标记处播放（也可按住 Ctrl 单击时间标记）", .tooltip = u"从时间标记处播放"},
    {.id = ID_CHECK_DICTATION, .text = u"检查听写(&K)", .keys = {"Ctrl+K"},
     .prompt = u"将听写文本与参考文本逐词比较，并列出每一段的得分", .tooltip = u"检查听写"},
    {.id = ID_DICTATION_HINT, .text = u"提示下一个词(&N)", .keys = {"Ctrl+J"},
     .prompt = u"在状态栏显示正在播放的一段中下一个还没写对的词", .tooltip = u"提示下一个词"},
    {.id = ID_FIND_STRETCHES, .text = u"重新分段(&G)",
     .prompt = u"按设置中的长度在录音的停顿处重新分段，列入选择列表", .tooltip = u"重新分段"},
    {.id = ID_SAVE_STRETCHES, .text = u"保存分段(&V)",
     .prompt = u"把选择列表中的各段连同参考文本保存为录音旁边的 .lrc 文件", .tooltip = u"保存分段"},
    {.id = ID_LESSON_SETTINGS, .text = u"分段与脚踏板设置(&P)...",
     .prompt = u"设置自动分段的长度和脚踏板", .tooltip = u"分段与脚踏板设置"},
    {.id = ID_OLE_INSERT_NEW, .text = u"插入新对象(&N)..."},
    {.id = ID_OLE_EDIT_LINKS, .text = u"链接(&K)..."},
    {.id = ID_OLE_EDIT_PROPERTIES, .text = u"对象特性(&R)", .keys = {"Alt+Enter"}},
    {.id = ID_OLE_VERB_FIRST, .text = u"<<用 OLE 谓词替换此处>>", .flags = CMD_PLACEHOLDER},
    {.id = ID_VIEW_TOOLBAR, .text = u"工具栏(&T)", .prompt = u"显示或隐藏工具栏", .tooltip = u"切换工具栏"},
    {.id = ID_VIEW_STATUS_BAR, .text = u"状态栏(&S)", .prompt = u"显示或隐藏状态栏", .tooltip = u"切换状态栏"},
    {.id = ID_NEXT_PANE, .keys = {"Shift+F7"}, .prompt = u"切换到下一个窗格", .tooltip = u"下一窗格"},
    {.id = ID_PREV_PANE, .keys = {"Shift+F6"}, .prompt = u"切换回上一个窗格", .tooltip = u"上一窗格"},
    {.id = ID_APP_ABOUT, .text = u"关于 Quillmere(&A)...", .icon = "about",
     .prompt = u"显示程序信息和版本号", .tooltip = u"关于"},
};
// clang-format on

SCommand CommandOf(const SRow &row)
{
    SCommand command;
    command.m_nID = row.id;
    command.m_strMenuText = QString::fromUtf16(row.text);
    for (const char *keys : row.keys)
        if (keys != nullptr)
            command.m_keys.append(QString::fromLatin1(keys));
    command.m_strIcon = QString::fromLatin1(row.icon);
    command.m_strPrompt = QString::fromUtf16(row.prompt);
    command.m_strTooltip = QString::fromUtf16(row.tooltip);
    command.m_nTooltipKeyOf = row.tooltipKeyOf;
    command.m_nFlags = row.flags;
    return command;
}

// The drill's passes per selection (1 to 9) and the silence after each pass
// (0 to 10 seconds): a command per choice, numbered in a run.
void AddDrillChoices(std::vector<SCommand> &commands)
{
    const auto add = [&commands](unsigned id, const QString &text) {
        SCommand command;
        command.m_nID = id;
        command.m_strMenuText = text;
        commands.push_back(command);
    };
    for (unsigned id = ID_DRILL_PASSES_FIRST; id <= ID_DRILL_PASSES_LAST; ++id)
        add(id, QStringLiteral("%1 遍").arg(id - ID_DRILL_PASSES_FIRST + 1));
    for (unsigned id = ID_DRILL_GAP_FIRST; id <= ID_DRILL_GAP_LAST; ++id)
        add(id, QStringLiteral("%1 秒").arg(id - ID_DRILL_GAP_FIRST));
}

const SCommand &Row(unsigned id)
{
    static const SCommand none;
    const SCommand *command = CommandTable::Find(id);
    return command != nullptr ? *command : none;
}

// A command's menu item. The main menu shows the command's first key after a
// tab; a pop-up menu may word the item its own way and shows the key only
// where it asks for it.
SMenuEntry ItemOf(const SCommand &command, const QString &text, bool withKey)
{
    QString shown = text;
    if (withKey && !command.m_keys.isEmpty())
        shown += QLatin1Char('\t') + command.m_keys.front();
    return SMenuEntry{SMenuEntry::command, command.m_nID, shown, {}, command.Has(CMD_PLACEHOLDER)};
}

SMenuEntry Item(unsigned id)
{
    return ItemOf(Row(id), Row(id).m_strMenuText, true);
}

SMenuEntry PopupItem(unsigned id)
{
    return ItemOf(Row(id), Row(id).m_strMenuText, false);
}

SMenuEntry PopupItemWithKey(unsigned id)
{
    return ItemOf(Row(id), Row(id).m_strMenuText, true);
}

SMenuEntry PopupItemWorded(unsigned id, const char16_t *text)
{
    return ItemOf(Row(id), QString::fromUtf16(text), false);
}

SMenuEntry Separator()
{
    return SMenuEntry{SMenuEntry::separator, 0, {}, {}, false};
}

SMenuEntry Submenu(const char16_t *text, std::vector<SMenuEntry> items)
{
    return SMenuEntry{SMenuEntry::submenu, 0, QString::fromUtf16(text), std::move(items), false};
}

std::vector<SMenuEntry> ItemsOfRun(unsigned first, unsigned last)
{
    std::vector<SMenuEntry> items;
    for (unsigned id = first; id <= last; ++id)
        items.push_back(PopupItem(id));
    return items;
}

std::vector<SMenuEntry> BuildMainMenu()
{
    return {
        Submenu(u"文件(&F)",
                {Item(ID_FILE_OPEN), Item(ID_FILE_SAVE), Item(ID_FILE_SAVE_AS), Separator(), Item(ID_MEDIA_PROPERTIES),
                 Separator(), Item(ID_FILE_PRINT), Item(ID_FILE_PRINT_PREVIEW), Item(ID_FILE_PRINT_SETUP), Separator(),
                 Item(ID_FILE_MRU_FILE1), Separator(), Item(ID_APP_EXIT)}),
        Submenu(u"编辑(&E)", {Item(ID_EDIT_UNDO),
                              Separator(),
                              Item(ID_EDIT_CUT),
                              Item(ID_EDIT_COPY),
                              Item(ID_EDIT_PASTE),
                              Item(ID_EDIT_PASTE_SPECIAL),
                              Separator(),
                              Item(ID_EDIT_SELECT_ALL),
                              Separator(),
                              Item(ID_FORMAT_FONT),
                              Item(ID_FORMAT_COLOR),
                              Separator(),
                              Item(ID_EDIT_FIND),
                              Item(ID_EDIT_REPEAT),
                              Item(ID_EDIT_REPLACE),
                              Separator(),
                              Item(ID_INSERT_TIMESTAMP),
                              Item(ID_PLAY_FROM_TIMESTAMP),
                              Separator(),
                              Item(ID_OLE_INSERT_NEW),
                              Item(ID_OLE_EDIT_LINKS),
                              Item(ID_OLE_EDIT_PROPERTIES),
                              Item(ID_OLE_VERB_FIRST)}),
        Submenu(u"查看(&V)",
                {Item(ID_VIEW_TOOLBAR), Item(ID_VIEW_STATUS_BAR), Item(ID_VIEW_CONTROLBAR), Item(ID_VIEW_EFFECTSBAR)}),
        Submenu(u"播放(&P)",
                {Item(ID_PLAY_PAUSE), Item(IDC_STOP), Separator(), Item(IDC_PREV_ITEM), Item(IDC_NEXT_ITEM),
                 Submenu(u"播放顺序", {Item(ID_ORDER_DEFAULT), Item(ID_ORDER_REPEAT_ONE), Item(ID_ORDER_REPEAT_LIST)}),
                 Separator(), Item(IDC_START_LEFT), Item(IDC_SET_START), Item(IDC_SET_END), Item(IDC_END_RIGHT),
                 Separator(), Item(IDC_PREV_SELECTION), Item(IDC_NEXT_SELECTION), Item(IDC_CLEAR_SELECTION),
                 Item(IDC_SAVE_SELECTION), Separator(),
                 Submenu(u"音量", {Item(ID_MUTE), Item(ID_VOLUME_UP), Item(ID_VOLUME_DOWN)})}),
        Submenu(u"工具(&T)", {Item(ID_CHECK_DICTATION), Item(ID_DICTATION_HINT), Separator(), Item(ID_FIND_STRETCHES),
                              Item(ID_SAVE_STRETCHES), Separator(), Item(ID_LESSON_SETTINGS), Item(ID_SETTINGS)}),
        Submenu(u"帮助(&H)", {Item(ID_HELP_WEBSITE), Item(ID_HELP_MAIL), Separator(), Item(ID_APP_ABOUT)}),
    };
}

std::map<unsigned, std::vector<SMenuEntry>> BuildPopupMenus()
{
    return {
        {IDR_PLAYLIST_POPUP,
         {PopupItem(ID_PLAYLIST_PLAY), PopupItem(ID_PLAYLIST_REMOVE), PopupItem(ID_PLAYLIST_REMOVE_ALL),
          PopupItem(ID_PLAYLIST_ADD), PopupItem(ID_PLAYLIST_PROPERTIES)}},
        {IDR_SELECTION_POPUP,
         {PopupItem(ID_SELECTION_PLAY), PopupItem(ID_SELECTION_REMOVE), PopupItem(ID_SELECTION_REMOVE_ALL), Separator(),
          PopupItemWithKey(ID_DRILL_TOGGLE),
          Submenu(u"每段遍数", ItemsOfRun(ID_DRILL_PASSES_FIRST, ID_DRILL_PASSES_LAST)),
          Submenu(u"每遍间隔", ItemsOfRun(ID_DRILL_GAP_FIRST, ID_DRILL_GAP_LAST))}},
        {IDR_TRAY_POPUP,
         {PopupItemWorded(ID_FILE_OPEN, u"打开..."), Separator(), PopupItem(ID_PLAY_PAUSE), PopupItem(IDC_STOP),
          PopupItem(IDC_PREV_ITEM), PopupItem(IDC_NEXT_ITEM), Separator(), PopupItem(ID_TRAY_RESTORE), Separator(),
          PopupItemWorded(ID_APP_EXIT, u"退出")}},
        {IDR_EDITOR_POPUP,
         {PopupItem(ID_EDIT_CUT), PopupItem(ID_EDIT_COPY), PopupItem(ID_EDIT_PASTE), PopupItem(ID_FORMAT_FONT)}},
    };
}

std::map<unsigned, std::vector<unsigned>> BuildToolbars()
{
    return {
        {IDR_MAINFRAME,
         {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0,
          ID_APP_ABOUT, ID_SETTINGS}},
        {IDR_FORMATBAR,
         {ID_CHAR_BOLD, ID_CHAR_ITALIC, ID_CHAR_UNDERLINE, 0, ID_PARA_LEFT, ID_PARA_CENTER, ID_PARA_RIGHT, 0,
          ID_FONT_NAME_SLOT, 0, ID_FONT_SIZE_SLOT, 0, ID_FORMAT_COLOR}},
    };
}

} // namespace

namespace CommandTable
{

const std::vector<SCommand> &Commands()
{
    static const std::vector<SCommand> commands = [] {
        std::vector<SCommand> all;
        for (const SRow &row : kRows)
            all.push_back(CommandOf(row));
        AddDrillChoices(all);
        return all;
    }();
    return commands;
}

const SCommand *Find(unsigned id)
{
    static const std::unordered_map<unsigned, const SCommand *> byId = [] {
        std::unordered_map<unsigned, const SCommand *> index;
        for (const SCommand &command : Commands())
            index.emplace(command.m_nID, &command);
        return index;
    }();
    const auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second;
}

bool Has(unsigned id, ECommandFlag flag)
{
    return Row(id).Has(flag);
}

QKeySequence KeysOf(const QString &shown)
{
    const QKeySequence keys = QKeySequence::fromString(shown, QKeySequence::PortableText);
    if (keys.count() != 1 || keys[0].key() != Qt::Key_Enter)
        return keys;
    return QKeySequence(QKeyCombination(keys[0].keyboardModifiers(), Qt::Key_Return));
}

const std::vector<SMenuEntry> &MainMenu()
{
    static const std::vector<SMenuEntry> menu = BuildMainMenu();
    return menu;
}

const std::vector<SMenuEntry> &PopupMenu(unsigned resource)
{
    static const std::map<unsigned, std::vector<SMenuEntry>> menus = BuildPopupMenus();
    static const std::vector<SMenuEntry> none;
    const auto found = menus.find(resource);
    return found == menus.end() ? none : found->second;
}

std::vector<SAccelerator> Accelerators()
{
    std::vector<SAccelerator> accelerators;
    for (const SCommand &command : Commands()) {
        if (command.Has(CMD_EDITOR_KEYS) || command.Has(CMD_KEY_SHOWN_ONLY))
            continue;
        for (const QString &keys : command.m_keys)
            accelerators.push_back(SAccelerator{KeysOf(keys), command.m_nID});
    }
    return accelerators;
}

unsigned EditorCommandOfKeys(const QKeySequence &keys)
{
    for (const SCommand &command : Commands())
        if (command.Has(CMD_EDITOR_KEYS))
            for (const QString &shown : command.m_keys)
                if (KeysOf(shown) == keys)
                    return command.m_nID;
    return 0;
}

const std::vector<unsigned> &ToolbarButtons(unsigned resource)
{
    static const std::map<unsigned, std::vector<unsigned>> toolbars = BuildToolbars();
    static const std::vector<unsigned> none;
    const auto found = toolbars.find(resource);
    return found == toolbars.end() ? none : found->second;
}

QString PlainMenuText(unsigned id)
{
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)|&"));
    return QString(Row(id).m_strMenuText).remove(accessKey).trimmed();
}

QString Prompt(unsigned id)
{
    return Row(id).m_strPrompt;
}

QString Tooltip(unsigned id)
{
    const SCommand &command = Row(id);
    const QStringList &keys = Row(command.m_nTooltipKeyOf).m_keys;
    if (command.m_nTooltipKeyOf == 0 || keys.isEmpty())
        return command.m_strTooltip;
    return command.m_strTooltip + QLatin1Char(' ') + keys.front();
}

} // namespace CommandTable

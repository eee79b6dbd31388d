#include "app/CCommandTable.h"

#include "app/CStringTable.h"
#include "app/Resource.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <map>

namespace
{

SMenuEntry Item(unsigned id, const char16_t *text)
{
    return SMenuEntry{SMenuEntry::command, id, QString::fromUtf16(text), {}, false};
}

SMenuEntry Placeholder(unsigned id, const char16_t *text)
{
    return SMenuEntry{SMenuEntry::command, id, QString::fromUtf16(text), {}, true};
}

SMenuEntry Separator()
{
    return SMenuEntry{SMenuEntry::separator, 0, {}, {}, false};
}

SMenuEntry Submenu(const char16_t *text, std::vector<SMenuEntry> items)
{
    return SMenuEntry{SMenuEntry::submenu, 0, QString::fromUtf16(text), std::move(items), false};
}

std::vector<SMenuEntry> BuildMainMenu()
{
    return {
        Submenu(u"文件(&F)",
                {Item(ID_FILE_OPEN, u"打开媒体(&O)...\tCtrl+O"), Item(ID_FILE_SAVE, u"保存听写文本(&S)\tCtrl+S"),
                 Item(ID_FILE_SAVE_AS, u"听写文本另存为(&A)..."), Separator(),
                 Item(ID_MEDIA_PROPERTIES, u"媒体属性..."), Separator(), Item(ID_FILE_PRINT, u"打印(&P)...\tCtrl+P"),
                 Item(ID_FILE_PRINT_PREVIEW, u"打印预览(&V)"), Item(ID_FILE_PRINT_SETUP, u"打印设置(&R)..."),
                 Separator(), Placeholder(ID_FILE_MRU_FILE1, u"最近文件"), Separator(),
                 Item(ID_APP_EXIT, u"退出(&X)")}),
        Submenu(u"编辑(&E)", {Item(ID_EDIT_UNDO, u"撤消(&U)\tCtrl+Z"),
                              Separator(),
                              Item(ID_EDIT_CUT, u"剪切(&T)\tCtrl+X"),
                              Item(ID_EDIT_COPY, u"复制(&C)\tCtrl+C"),
                              Item(ID_EDIT_PASTE, u"粘贴(&P)\tCtrl+V"),
                              Item(ID_EDIT_PASTE_SPECIAL, u"选择性粘贴(&S)..."),
                              Separator(),
                              Item(ID_EDIT_SELECT_ALL, u"全选(&L)\tCtrl+A"),
                              Separator(),
                              Item(ID_FORMAT_FONT, u"字体..."),
                              Item(ID_FORMAT_COLOR, u"文字着色..."),
                              Separator(),
                              Item(ID_EDIT_FIND, u"查找(&F)...\tCtrl+F"),
                              Item(ID_EDIT_REPEAT, u"查找下一个(&I)\tF3"),
                              Item(ID_EDIT_REPLACE, u"替换(&E)\tCtrl+H"),
                              Separator(),
                              Item(ID_OLE_INSERT_NEW, u"插入新对象(&N)..."),
                              Item(ID_OLE_EDIT_LINKS, u"链接(&K)..."),
                              Item(ID_OLE_EDIT_PROPERTIES, u"对象特性(&R)\tAlt+Enter"),
                              Placeholder(ID_OLE_VERB_FIRST, u"<<用 OLE 谓词替换此处>>")}),
        Submenu(u"查看(&V)", {Item(ID_VIEW_TOOLBAR, u"工具栏(&T)"), Item(ID_VIEW_STATUS_BAR, u"状态栏(&S)"),
                              Item(ID_VIEW_CONTROLBAR, u"控制栏(&C)"), Item(ID_VIEW_EFFECTSBAR, u"音效栏(&E)")}),
        Submenu(u"播放(&P)",
                {Item(ID_PLAY_PAUSE, u"播放/暂停\tF1"), Item(IDC_STOP, u"停止\tF2"), Separator(),
                 Item(IDC_PREV_ITEM, u"上一项目\tAlt+UP"), Item(IDC_NEXT_ITEM, u"下一项目\tAlt+DOWN"),
                 Submenu(u"播放顺序", {Item(ID_ORDER_DEFAULT, u"默认"), Item(ID_ORDER_REPEAT_ONE, u"重复单项"),
                                       Item(ID_ORDER_REPEAT_LIST, u"重复（播放列表）")}),
                 Separator(), Item(IDC_START_LEFT, u"左移起点\tF5"), Item(IDC_SET_START, u"选择起点\tF6"),
                 Item(IDC_SET_END, u"选择终点\tF7"), Item(IDC_END_RIGHT, u"右移终点\tF8"), Separator(),
                 Item(IDC_PREV_SELECTION, u"上一选择段\tCtrl+U"), Item(IDC_NEXT_SELECTION, u"下一选择段\tCtrl+D"),
                 Item(IDC_CLEAR_SELECTION, u"清除选择\tF9"), Item(IDC_SAVE_SELECTION, u"保存选择\tF10"), Separator(),
                 Submenu(u"音量", {Item(ID_MUTE, u"静音\tCtrl+M"), Item(ID_VOLUME_UP, u"增加音量\tAlt+Right"),
                                   Item(ID_VOLUME_DOWN, u"减小音量\tAlt+Left")})}),
        Submenu(u"工具(&T)", {Item(ID_SETTINGS, u"设置...\tO")}),
        Submenu(u"帮助(&H)", {Item(ID_HELP_WEBSITE, u"访问网站..."), Item(ID_HELP_MAIL, u"发送邮件给作者..."),
                              Separator(), Item(ID_APP_ABOUT, u"关于 Quillmere(&A)...")}),
    };
}

std::vector<SMenuEntry> DrillPassItems()
{
    std::vector<SMenuEntry> items;
    for (unsigned id = ID_DRILL_PASSES_FIRST; id <= ID_DRILL_PASSES_LAST; ++id)
        items.push_back(SMenuEntry{
            SMenuEntry::command, id, QStringLiteral("%1 遍").arg(id - ID_DRILL_PASSES_FIRST + 1), {}, false});
    return items;
}

std::vector<SMenuEntry> DrillGapItems()
{
    std::vector<SMenuEntry> items;
    for (unsigned id = ID_DRILL_GAP_FIRST; id <= ID_DRILL_GAP_LAST; ++id)
        items.push_back(
            SMenuEntry{SMenuEntry::command, id, QStringLiteral("%1 秒").arg(id - ID_DRILL_GAP_FIRST), {}, false});
    return items;
}

std::map<unsigned, std::vector<SMenuEntry>> BuildPopupMenus()
{
    return {
        {IDR_PLAYLIST_POPUP,
         {Item(ID_PLAYLIST_PLAY, u"播放"), Item(ID_PLAYLIST_REMOVE, u"从列表中移除"),
          Item(ID_PLAYLIST_REMOVE_ALL, u"移除所有"), Item(ID_PLAYLIST_ADD, u"添加文件到列表"),
          Item(ID_PLAYLIST_PROPERTIES, u"媒体属性...")}},
        {IDR_SELECTION_POPUP,
         {Item(ID_SELECTION_PLAY, u"播放选中"), Item(ID_SELECTION_REMOVE, u"从列表中移除"),
          Item(ID_SELECTION_REMOVE_ALL, u"移除所有"), Separator(), Item(ID_DRILL_TOGGLE, u"听写练习\tF4"),
          Submenu(u"每段遍数", DrillPassItems()), Submenu(u"每遍间隔", DrillGapItems())}},
        {IDR_TRAY_POPUP,
         {Item(ID_FILE_OPEN, u"打开..."), Separator(), Item(ID_PLAY_PAUSE, u"播放/暂停"), Item(IDC_STOP, u"停止"),
          Item(IDC_PREV_ITEM, u"上一项目"), Item(IDC_NEXT_ITEM, u"下一项目"), Separator(),
          Item(ID_TRAY_RESTORE, u"恢复窗口"), Separator(), Item(ID_APP_EXIT, u"退出")}},
        {IDR_EDITOR_POPUP,
         {Item(ID_EDIT_CUT, u"剪切(&T)"), Item(ID_EDIT_COPY, u"复制(&C)"), Item(ID_EDIT_PASTE, u"粘贴(&P)"),
          Item(ID_FORMAT_FONT, u"字体...")}},
    };
}

std::vector<SAccelerator> BuildAccelerators()
{
    const auto key = [](const char *keys, unsigned id) { return SAccelerator{QString::fromLatin1(keys), id}; };
    return {
        key("F1", ID_PLAY_PAUSE),
        key("F2", IDC_STOP),
        key("F3", ID_EDIT_REPEAT),
        key("F4", ID_DRILL_TOGGLE),
        key("F5", IDC_START_LEFT),
        key("F6", IDC_SET_START),
        key("F7", IDC_SET_END),
        key("F8", IDC_END_RIGHT),
        key("F9", IDC_CLEAR_SELECTION),
        key("F10", IDC_SAVE_SELECTION),
        key("Shift+F6", ID_PREV_PANE),
        key("Shift+F7", ID_NEXT_PANE),
        key("Alt+Up", IDC_PREV_ITEM),
        key("Alt+Down", IDC_NEXT_ITEM),
        key("Alt+Left", ID_VOLUME_DOWN),
        key("Alt+Right", ID_VOLUME_UP),
        key("Alt+Return", ID_OLE_EDIT_PROPERTIES),
        key("Alt+Backspace", ID_EDIT_UNDO),
        key("Ctrl+Z", ID_EDIT_UNDO),
        key("Ctrl+X", ID_EDIT_CUT),
        key("Shift+Del", ID_EDIT_CUT),
        key("Ctrl+C", ID_EDIT_COPY),
        key("Ctrl+Ins", ID_EDIT_COPY),
        key("Ctrl+V", ID_EDIT_PASTE),
        key("Shift+Ins", ID_EDIT_PASTE),
        key("Ctrl+A", ID_EDIT_SELECT_ALL),
        key("Ctrl+F", ID_EDIT_FIND),
        key("Ctrl+H", ID_EDIT_REPLACE),
        key("Ctrl+N", ID_FILE_NEW),
        key("Ctrl+O", ID_FILE_OPEN),
        key("Ctrl+S", ID_FILE_SAVE),
        key("Ctrl+P", ID_FILE_PRINT),
        key("Ctrl+M", ID_MUTE),
        key("Ctrl+U", IDC_PREV_SELECTION),
        key("Ctrl+D", IDC_NEXT_SELECTION),
        key("Esc", ID_ESCAPE),
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

void CollectCommands(const std::vector<SMenuEntry> &entries, std::vector<unsigned> &ids)
{
    for (const SMenuEntry &entry : entries) {
        if (entry.m_kind == SMenuEntry::submenu)
            CollectCommands(entry.m_items, ids);
        else if (entry.m_kind == SMenuEntry::command)
            ids.push_back(entry.m_nID);
    }
}

const SMenuEntry *FindCommand(const std::vector<SMenuEntry> &entries, unsigned id)
{
    for (const SMenuEntry &entry : entries) {
        if (entry.m_kind == SMenuEntry::command && entry.m_nID == id)
            return &entry;
        if (const SMenuEntry *found = FindCommand(entry.m_items, id))
            return found;
    }
    return nullptr;
}

} // namespace

namespace CommandTable
{

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

const std::vector<SAccelerator> &Accelerators()
{
    static const std::vector<SAccelerator> accelerators = BuildAccelerators();
    return accelerators;
}

bool IsEditingKey(const QString &keys)
{
    static const QStringList editing = {
        QStringLiteral("Ctrl+Z"),    QStringLiteral("Alt+Backspace"), QStringLiteral("Ctrl+X"),
        QStringLiteral("Shift+Del"), QStringLiteral("Ctrl+C"),        QStringLiteral("Ctrl+Ins"),
        QStringLiteral("Ctrl+V"),    QStringLiteral("Shift+Ins"),     QStringLiteral("Ctrl+A")};
    return editing.contains(keys);
}

const std::vector<unsigned> &ToolbarButtons(unsigned resource)
{
    static const std::map<unsigned, std::vector<unsigned>> toolbars = BuildToolbars();
    static const std::vector<unsigned> none;
    const auto found = toolbars.find(resource);
    return found == toolbars.end() ? none : found->second;
}

std::vector<unsigned> AllCommands()
{
    std::vector<unsigned> ids;
    CollectCommands(MainMenu(), ids);
    for (unsigned resource : {IDR_PLAYLIST_POPUP, IDR_SELECTION_POPUP, IDR_TRAY_POPUP, IDR_EDITOR_POPUP})
        CollectCommands(PopupMenu(resource), ids);
    for (const SAccelerator &accelerator : Accelerators())
        ids.push_back(accelerator.m_nID);
    for (unsigned resource : {IDR_MAINFRAME, IDR_FORMATBAR})
        for (unsigned id : ToolbarButtons(resource))
            if (id != 0)
                ids.push_back(id);
    for (unsigned id : {IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, IDC_MUTE_BUTTON})
        ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

QString PlainMenuText(unsigned id)
{
    const SMenuEntry *entry = FindCommand(MainMenu(), id);
    if (entry == nullptr)
        return {};
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)|&|\\t.*$"));
    return QString(entry->m_strText).remove(accessKey).trimmed();
}

QString Prompt(unsigned id)
{
    return ResStringField(id, 0);
}

QString Tooltip(unsigned id)
{
    return ResStringField(id, 1);
}

} // namespace CommandTable

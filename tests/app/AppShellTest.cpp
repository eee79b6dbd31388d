#include "app/CCmdTarget.h"
#include "app/CCommandTable.h"
#include "app/CIniProfile.h"
#include "app/CRecentFileList.h"
#include "app/CWindowPlacement.h"
#include "app/Resource.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QKeySequence>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

namespace
{

// A menu on one line: "-" for a separator, a sub-menu's items in braces.
QString Outline(const std::vector<SMenuEntry> &entries)
{
    QStringList items;
    for (const SMenuEntry &entry : entries) {
        if (entry.m_kind == SMenuEntry::separator)
            items.append(QStringLiteral("-"));
        else if (entry.m_kind == SMenuEntry::submenu)
            items.append(entry.m_strText + QLatin1Char('{') + Outline(entry.m_items) + QLatin1Char('}'));
        else
            items.append(entry.m_strText);
    }
    return items.join(QLatin1Char('|'));
}

// Every menu item that shows a key after its tab, with that key as bound.
void CollectShownKeys(const std::vector<SMenuEntry> &entries, std::multimap<unsigned, QKeySequence> &shown)
{
    for (const SMenuEntry &entry : entries) {
        CollectShownKeys(entry.m_items, shown);
        const qsizetype tab = entry.m_strText.indexOf(QLatin1Char('\t'));
        if (entry.m_kind == SMenuEntry::command && tab >= 0)
            shown.emplace(entry.m_nID, CommandTable::KeysOf(entry.m_strText.mid(tab + 1)));
    }
}

} // namespace

// Menus spell keys their own way ("Alt+UP", "Alt+Enter"); the keys bound are
// the ones a learner presses.
TEST(CommandTable, KeysAreReadAsMenusSpellThem)
{
    EXPECT_EQ(CommandTable::KeysOf(QStringLiteral("Alt+UP")), QKeySequence(Qt::ALT | Qt::Key_Up));
    EXPECT_EQ(CommandTable::KeysOf(QStringLiteral("Alt+Enter")), QKeySequence(Qt::ALT | Qt::Key_Return));
    EXPECT_EQ(CommandTable::KeysOf(QStringLiteral("Shift+Ins")), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
}

TEST(CommandTable, MenuKeysAndShortcutsCannotDisagree)
{
    std::map<QKeySequence, unsigned> bound;
    for (const SAccelerator &accelerator : CommandTable::Accelerators()) {
        ASSERT_FALSE(accelerator.m_keys.isEmpty()) << accelerator.m_nID;
        EXPECT_TRUE(bound.emplace(accelerator.m_keys, accelerator.m_nID).second)
            << accelerator.m_keys.toString().toStdString() << " bound twice";
    }
    std::multimap<unsigned, QKeySequence> shown;
    CollectShownKeys(CommandTable::MainMenu(), shown);
    for (unsigned resource : {IDR_PLAYLIST_POPUP, IDR_SELECTION_POPUP, IDR_TRAY_POPUP, IDR_EDITOR_POPUP})
        CollectShownKeys(CommandTable::PopupMenu(resource), shown);
    EXPECT_EQ(shown.size(), 30u);
    for (const auto &[id, keys] : shown) {
        if (CommandTable::Has(id, CMD_KEY_SHOWN_ONLY))
            EXPECT_EQ(bound.count(keys), 0u) << id;
        else
            EXPECT_EQ(bound.count(keys) == 1 ? bound.at(keys) : 0u, id) << keys.toString().toStdString();
    }
    // Every key of a row is bound to it, once, by the window or by the editor alone.
    size_t keyCount = 0;
    for (const SCommand &command : CommandTable::Commands()) {
        for (const QString &text : command.m_keys) {
            const QKeySequence keys = CommandTable::KeysOf(text);
            ASSERT_EQ(keys.count(), 1) << text.toStdString();
            const bool windowKey = !command.Has(CMD_EDITOR_KEYS) && !command.Has(CMD_KEY_SHOWN_ONLY);
            EXPECT_EQ(bound.count(keys) == 1 && bound.at(keys) == command.m_nID, windowKey) << text.toStdString();
            EXPECT_EQ(CommandTable::EditorCommandOfKeys(keys), command.Has(CMD_EDITOR_KEYS) ? command.m_nID : 0u);
            keyCount += windowKey;
        }
    }
    EXPECT_EQ(bound.size(), keyCount); // no shortcut that no row names
    EXPECT_EQ(bound.size(), 37u);
}

// What the menus, the control bar's tooltips and a few prompts show, written
// out once to catch an accidental change.
TEST(CommandTable, MenusAndTooltipsReadAsBefore)
{
    const std::vector<SMenuEntry> &menu = CommandTable::MainMenu();
    ASSERT_EQ(menu.size(), 6u);
    const QString expected[] = {
        QStringLiteral(
            "文件(&F){打开媒体(&O)...\tCtrl+O|保存听写文本(&S)\tCtrl+S|听写文本另存为(&A)...|-|媒体属性...|-|"
            "打印(&P)...\tCtrl+P|打印预览(&V)|打印设置(&R)...|-|最近文件|-|退出(&X)}"),
        QStringLiteral(
            "编辑(&E){撤消(&U)\tCtrl+Z|-|剪切(&T)\tCtrl+X|复制(&C)\tCtrl+C|粘贴(&P)\tCtrl+V|选择性粘贴(&S)...|-|"
            "全选(&L)\tCtrl+A|-|字体...|文字着色...|-|查找(&F)...\tCtrl+F|查找下一个(&I)\tF3|替换(&E)\tCtrl+H|-|"
            "插入时间标记(&M)\tCtrl+T|从时间标记处播放(&J)|-|"
            "插入新对象(&N)...|链接(&K)...|对象特性(&R)\tAlt+Enter|<<用 OLE 谓词替换此处>>}"),
        QStringLiteral("查看(&V){工具栏(&T)|状态栏(&S)|控制栏(&C)|音效栏(&E)}"),
        QStringLiteral("播放(&P){播放/暂停\tF1|停止\tF2|-|上一项目\tAlt+UP|下一项目\tAlt+DOWN|播放顺序{默认|重复单项|"
                       "重复（播放列表）}|-|左移起点\tF5|选择起点\tF6|选择终点\tF7|右移终点\tF8|-|上一选择段\tCtrl+U|"
                       "下一选择段\tCtrl+D|清除选择\tF9|保存选择\tF10|-|音量{静音\tCtrl+M|增加音量\tAlt+Right|"
                       "减小音量\tAlt+Left}}"),
        QStringLiteral("工具(&T){设置...\tO}"),
        QStringLiteral("帮助(&H){访问网站...|发送邮件给作者...|-|关于 Quillmere(&A)...}"),
    };
    for (size_t i = 0; i < menu.size(); ++i)
        EXPECT_EQ(Outline({menu[i]}), expected[i]);
    EXPECT_EQ(Outline(CommandTable::PopupMenu(IDR_TRAY_POPUP)),
              QStringLiteral("打开...|-|播放/暂停|停止|上一项目|下一项目|-|恢复窗口|-|退出"));
    EXPECT_EQ(Outline(CommandTable::PopupMenu(IDR_SELECTION_POPUP)).section(QLatin1Char('{'), 0, 0),
              QStringLiteral("播放选中|从列表中移除|移除所有|-|听写练习\tF4|每段遍数"));
    EXPECT_EQ(Outline(CommandTable::PopupMenu(IDR_EDITOR_POPUP)), QStringLiteral("剪切(&T)|复制(&C)|粘贴(&P)|字体..."));
    EXPECT_TRUE(CommandTable::PopupMenu(12345).empty());

    QStringList tooltips;
    for (unsigned id : {IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, IDC_STOP, IDC_PREV_ITEM, IDC_NEXT_ITEM, IDC_START_LEFT,
                        IDC_SET_START, IDC_SET_END, IDC_END_RIGHT, IDC_PREV_SELECTION, IDC_NEXT_SELECTION,
                        IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_MUTE_BUTTON})
        tooltips.append(CommandTable::Tooltip(id));
    EXPECT_EQ(tooltips.join(QLatin1Char('|')),
              QStringLiteral("播放 F1|暂停 F1|停止 F2|上一项目 Alt+UP|下一项目 Alt+DOWN|左移起点 F5|选择起点 F6|"
                             "选择终点 F7|右移终点 F8|上一选择段 Ctrl+U|下一选择段 Ctrl+D|清除选择 F9|保存选择 F10|"
                             "静音 Ctrl+M"));
    EXPECT_EQ(CommandTable::Prompt(ID_FILE_OPEN), QStringLiteral("打开现有媒体文件"));
    EXPECT_EQ(CommandTable::Tooltip(ID_FILE_OPEN), QStringLiteral("打开媒体"));
    EXPECT_TRUE(CommandTable::Prompt(IDC_STOP).isEmpty());
    EXPECT_EQ(CommandTable::PlainMenuText(ID_VIEW_CONTROLBAR), QStringLiteral("控制栏"));
}

// Which commands a running drill gives way to is a flag of their rows.
TEST(CommandTable, CommandsThatEndTheDrill)
{
    std::vector<unsigned> ending;
    for (const SCommand &command : CommandTable::Commands())
        if (command.Has(CMD_ENDS_DRILL))
            ending.push_back(command.m_nID);
    EXPECT_EQ(ending.size(), 16u);
    EXPECT_TRUE(CommandTable::Has(ID_SELECTION_PLAY, CMD_ENDS_DRILL));
    EXPECT_FALSE(CommandTable::Has(ID_PLAY_PAUSE, CMD_ENDS_DRILL)); // pauses the drill instead
    EXPECT_FALSE(CommandTable::Has(12345, CMD_ENDS_DRILL));
}

namespace
{

class CTarget : public CCmdTarget
{
public:
    CTarget()
    {
        OnCommand(
            IDC_STOP, [this] { ++m_nStops; }, [this](CCmdUI &ui) { ui.Enable(m_bCanStop); });
        OnCommand(ID_MUTE, [this] { ++m_nMutes; });
        OnUpdate(ID_ORDER_DEFAULT, [](CCmdUI &ui) { ui.SetCheck(1); });
    }
    bool m_bCanStop = false;
    int m_nStops = 0;
    int m_nMutes = 0;
};

} // namespace

TEST(CommandTarget, UpdateHandlersDecideAndUnhandledCommandsAreDisabled)
{
    CTarget target;
    EXPECT_FALSE(target.ExecuteIfEnabled(IDC_STOP));
    target.m_bCanStop = true;
    EXPECT_TRUE(target.ExecuteIfEnabled(IDC_STOP));
    EXPECT_EQ(target.m_nStops, 1);

    EXPECT_TRUE(target.QueryState(ID_MUTE).m_bEnabled); // a handler without an update handler
    EXPECT_FALSE(target.QueryState(ID_PLAY_PAUSE).m_bEnabled);
    EXPECT_FALSE(target.ExecuteIfEnabled(ID_PLAY_PAUSE));

    // An update handler alone marks the command but leaves running it to others.
    EXPECT_EQ(target.QueryState(ID_ORDER_DEFAULT).m_nCheck, 1);
    EXPECT_FALSE(target.OnCmdMsg(ID_ORDER_DEFAULT, nullptr));
}

TEST(WindowPlacement, TenNumbersOrNothingAndAMinimisedWindowComesBackShown)
{
    const auto placement = SWindowPlacement::Parse(QStringLiteral("2,3,-1,-1,-8,-8,10,20,810,620"));
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->Format(), QStringLiteral("2,3,-1,-1,-8,-8,10,20,810,620"));
    EXPECT_EQ(placement->right, 810);
    EXPECT_FALSE(SWindowPlacement::Parse(QStringLiteral("2,3,-1,-1,-8,-8,10,20,810")));
    EXPECT_FALSE(SWindowPlacement::Parse(QString()));

    SWindowPlacement minimised = *placement;
    minimised.showCmd = SWindowPlacement::SW_SHOWMINIMIZED;
    EXPECT_EQ(minimised.ForClosing(true).showCmd, SWindowPlacement::SW_SHOWMAXIMIZED); // maximised before
    minimised.flags = 0;
    EXPECT_EQ(minimised.ForClosing(true).showCmd, SWindowPlacement::SW_SHOW);
}

TEST(RecentFiles, FourNewestFirstAndTheMediaBesideADocument)
{
    CRecentFileList list;
    for (const char *name : {"/a.rtf", "/b.rtf", "/c.rtf", "/d.rtf", "/e.rtf", "/c.rtf"})
        list.Add(QString::fromLatin1(name));
    EXPECT_EQ(list.Paths(), (QStringList{QStringLiteral("/c.rtf"), QStringLiteral("/e.rtf"), QStringLiteral("/d.rtf"),
                                         QStringLiteral("/b.rtf")}));
    CIniProfile profile;
    list.WriteList(profile);
    CRecentFileList read;
    read.ReadList(profile);
    EXPECT_EQ(read.Paths(), list.Paths());

    QTemporaryDir dir;
    const auto touch = [&dir](const char *name) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    };
    const QString document = touch("第一课.rtf");
    touch("第一课.lrc");
    EXPECT_TRUE(FindRelatedMediaFile(document).isEmpty());
    const QString media = touch("第一课.mp3");
    touch("第一课x.mp3");
    EXPECT_EQ(FindRelatedMediaFile(document), media);
}

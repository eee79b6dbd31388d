#include "app/CCmdTarget.h"
#include "app/CCommandTable.h"
#include "app/CIniProfile.h"
#include "app/CRecentFileList.h"
#include "app/CWindowPlacement.h"
#include "app/Resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QKeySequence>
#include <QTemporaryDir>
#include <map>

namespace
{

// Every menu item that shows a key after its tab, with that key as bound.
void CollectShownKeys(const std::vector<SMenuEntry> &entries, std::multimap<unsigned, QKeySequence> &shown)
{
    for (const SMenuEntry &entry : entries) {
        CollectShownKeys(entry.m_items, shown);
        const qsizetype tab = entry.m_strText.indexOf(u'\t');
        if (entry.m_kind == SMenuEntry::command && tab >= 0)
            shown.emplace(entry.m_nID, CommandTable::KeysOf(entry.m_strText.mid(tab + 1)));
    }
}

// A target whose handlers the test sets.
class CTarget : public CCmdTarget
{
public:
    using CCmdTarget::OnCommand;
    using CCmdTarget::OnUpdate;
};

} // namespace

// Menus spell keys their own way ("Alt+UP", "Alt+Enter"); the keys bound are
// the ones a learner presses. A tooltip names the key of its command.
TEST(CommandTable, KeysAreReadAsMenusSpellThemAndTooltipsNameThem)
{
    EXPECT_EQ(CommandTable::KeysOf(u"Alt+UP"_qs), QKeySequence(Qt::ALT | Qt::Key_Up));
    EXPECT_EQ(CommandTable::KeysOf(u"Alt+Enter"_qs), QKeySequence(Qt::ALT | Qt::Key_Return));
    EXPECT_EQ(CommandTable::KeysOf(u"Shift+Ins"_qs), QKeySequence(Qt::SHIFT | Qt::Key_Insert));

    EXPECT_EQ(CommandTable::Tooltip(IDC_PLAY_BUTTON), u"播放 F1"_qs);
    EXPECT_EQ(CommandTable::Tooltip(IDC_PREV_ITEM), u"上一项目 Alt+UP"_qs);
    EXPECT_EQ(CommandTable::Tooltip(ID_FILE_OPEN), u"打开媒体"_qs);
    EXPECT_EQ(CommandTable::Prompt(ID_FILE_OPEN), u"打开现有媒体文件"_qs);
    EXPECT_TRUE(CommandTable::Prompt(IDC_STOP).isEmpty());
    EXPECT_EQ(CommandTable::PlainMenuText(ID_VIEW_CONTROLBAR), u"控制栏"_qs);
    EXPECT_TRUE(CommandTable::PopupMenu(12345).empty());
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
    EXPECT_EQ(shown.size(), 32u);
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
    EXPECT_EQ(bound.size(), 39u);
}

TEST(CommandTarget, UpdateHandlersDecideAndUnhandledCommandsAreDisabled)
{
    CTarget target;
    bool canStop = false;
    int stops = 0;
    target.OnCommand(
        IDC_STOP, [&stops] { ++stops; }, [&canStop](CCmdUI &ui) { ui.Enable(canStop); });
    target.OnCommand(ID_MUTE, [] {});
    target.OnUpdate(ID_ORDER_DEFAULT, [](CCmdUI &ui) { ui.SetCheck(1); });
    EXPECT_FALSE(target.ExecuteIfEnabled(IDC_STOP));
    canStop = true;
    EXPECT_TRUE(target.ExecuteIfEnabled(IDC_STOP));
    EXPECT_EQ(stops, 1);

    EXPECT_TRUE(target.QueryState(ID_MUTE).m_bEnabled); // a handler without an update handler
    EXPECT_FALSE(target.QueryState(ID_PLAY_PAUSE).m_bEnabled);
    EXPECT_FALSE(target.ExecuteIfEnabled(ID_PLAY_PAUSE));

    // An update handler alone marks the command but leaves running it to others.
    EXPECT_EQ(target.QueryState(ID_ORDER_DEFAULT).m_nCheck, 1);
    EXPECT_FALSE(target.OnCmdMsg(ID_ORDER_DEFAULT, nullptr));
}

TEST(WindowPlacement, TenNumbersOrNothingAndAMinimisedWindowComesBackShown)
{
    EXPECT_FALSE(SWindowPlacement::Parse(u"2,3,-1,-1,-8,-8,10,20,810"_qs));
    EXPECT_FALSE(SWindowPlacement::Parse(QString()));
    SWindowPlacement minimised = *SWindowPlacement::Parse(u"2,3,-1,-1,-8,-8,10,20,810,620"_qs);
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
    EXPECT_EQ(list.Paths(), (QStringList{u"/c.rtf"_qs, u"/e.rtf"_qs, u"/d.rtf"_qs, u"/b.rtf"_qs}));
    CIniProfile profile;
    list.WriteList(profile);
    CRecentFileList read;
    read.ReadList(profile);
    EXPECT_EQ(read.Paths(), list.Paths());

    QTemporaryDir dir;
    for (const char16_t *name : {u"第一课.rtf", u"第一课.lrc", u"第一课x.mp3"})
        WriteAllBytes(dir.filePath(QString::fromUtf16(name)), {});
    const QString document = dir.filePath(u"第一课.rtf"_qs);
    EXPECT_TRUE(FindRelatedMediaFile(document).isEmpty());
    WriteAllBytes(dir.filePath(u"第一课.mp3"_qs), {});
    EXPECT_EQ(FindRelatedMediaFile(document), dir.filePath(u"第一课.mp3"_qs));
}

#include "app/CCmdTarget.h"
#include "app/CCommandTable.h"
#include "app/CIniProfile.h"
#include "app/CRecentFileList.h"
#include "app/CWindowPlacement.h"
#include "app/Resource.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QKeySequence>
#include <QTemporaryDir>
#include <map>

namespace
{

QKeySequence Keys(const QString &text)
{
    return QKeySequence::fromString(text, QKeySequence::PortableText);
}

// Every menu item that shows a shortcut after its tab, with that text.
void CollectShownShortcuts(const std::vector<SMenuEntry> &entries, std::multimap<unsigned, QString> &shown)
{
    for (const SMenuEntry &entry : entries) {
        CollectShownShortcuts(entry.m_items, shown);
        const qsizetype tab = entry.m_strText.indexOf(QLatin1Char('\t'));
        if (entry.m_kind == SMenuEntry::command && tab >= 0)
            shown.emplace(entry.m_nID, entry.m_strText.mid(tab + 1));
    }
}

} // namespace

TEST(CommandTable, EveryKeyIsValidAndBoundOnce)
{
    std::map<QKeySequence, unsigned> bound;
    for (const SAccelerator &accelerator : CommandTable::Accelerators()) {
        const QKeySequence keys = Keys(accelerator.m_strKeys);
        ASSERT_FALSE(keys.isEmpty()) << accelerator.m_strKeys.toStdString();
        EXPECT_TRUE(bound.emplace(keys, accelerator.m_nID).second) << accelerator.m_strKeys.toStdString();
    }
    EXPECT_EQ(bound.at(Keys(QStringLiteral("F1"))), ID_PLAY_PAUSE);
    EXPECT_EQ(bound.at(Keys(QStringLiteral("Esc"))), ID_ESCAPE);
    EXPECT_EQ(bound.at(Keys(QStringLiteral("Ctrl+N"))), ID_FILE_NEW); // bound without a menu item
}

TEST(CommandTable, EveryShortcutAMenuShowsIsBoundToThatCommand)
{
    std::multimap<unsigned, QString> shown;
    CollectShownShortcuts(CommandTable::MainMenu(), shown);
    ASSERT_EQ(shown.size(), 28u);
    for (const auto &[id, text] : shown) {
        if (id == ID_SETTINGS)
            continue; // its "O" is menu text only
        // Menus name the main Enter key as the keyboard says; the key itself is Return.
        const QKeySequence keys = Keys(QString(text).replace(QStringLiteral("Enter"), QStringLiteral("Return")));
        bool found = false;
        for (const SAccelerator &accelerator : CommandTable::Accelerators())
            found = found || (accelerator.m_nID == id && Keys(accelerator.m_strKeys) == keys);
        EXPECT_TRUE(found) << id << " shows " << text.toStdString();
    }
}

// A command's string holds the status-bar prompt, then the tooltip.
TEST(CommandTable, PromptsTooltipsAndPopups)
{
    EXPECT_EQ(CommandTable::Prompt(ID_FILE_OPEN), QStringLiteral("打开现有媒体文件"));
    EXPECT_EQ(CommandTable::Tooltip(ID_FILE_OPEN), QStringLiteral("打开媒体"));
    for (unsigned id : CommandTable::ToolbarButtons(IDR_MAINFRAME)) {
        if (id != 0) {
            EXPECT_FALSE(CommandTable::Tooltip(id).isEmpty()) << id;
        }
    }
    EXPECT_EQ(CommandTable::PopupMenu(IDR_TRAY_POPUP).front().m_nID, ID_FILE_OPEN);
    EXPECT_TRUE(CommandTable::PopupMenu(12345).empty());
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

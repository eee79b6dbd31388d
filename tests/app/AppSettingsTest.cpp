#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(AppSettings, FirstRunUsesDefaultsAndWritesEveryKey)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillmere.ini"));
    CIniProfile profile(path);
    CAppSettings settings;
    settings.Load(profile);
    // Saving writes what was loaded, so the file shows every default.
    ASSERT_TRUE(settings.Save(profile));
    EXPECT_EQ(ReadAllBytes(path), QByteArray("[Settings]\nAlwaysTop=0\nMoveStep=100\nUSplitterHigh=10\n"
                                             "LSplitterWidth=10\nAutoSave=0\nMinimizeToTray=0\nBackStep=0\n"
                                             "[State]\nVolume=50\nMute=0\nOrder=0\nPlaylistIndex=0\n"
                                             "[Drill]\nDrillOn=0\nDrillPasses=2\nDrillGap=3\n"));
}

TEST(AppSettings, StoredValuesAreReadAsTheyStandAndBooleansNormalised)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillmere.ini"));
    WriteAllBytes(path, "[Settings]\nAlwaysTop=7\nMoveStep=300\nWindowPos=44,0,1\nMinimizeToTray=-1\nBackStep=25\n"
                        "[State]\nVolume=120\nMute=0\nOrder=2\nPlaylistIndex=-5\n[DockState]\nBars=3\n"
                        "[Drill]\nDrillOn=5\nDrillPasses=12\nDrillGap=-1\n");
    CIniProfile profile(path);
    CAppSettings settings;
    settings.Load(profile);
    EXPECT_TRUE(settings.AlwaysTop);
    EXPECT_TRUE(settings.MinimizeToTray);
    EXPECT_EQ(settings.MoveStep, 300);
    EXPECT_EQ(settings.Volume, 120);
    EXPECT_EQ(settings.Order, ORDER_REPEAT_LIST);
    EXPECT_EQ(settings.PlaylistIndex, -5);
    // Only the drill's passes and silence and the back step are kept to what
    // the menu and the settings dialog offer.
    EXPECT_EQ(settings.BackStep, 10);
    EXPECT_TRUE(settings.DrillOn);
    EXPECT_EQ(settings.DrillPasses, 9);
    EXPECT_EQ(settings.DrillGap, 0);

    ASSERT_TRUE(settings.Save(profile));
    CIniProfile saved(path);
    EXPECT_EQ(saved.GetProfileString(QStringLiteral("Settings"), QStringLiteral("AlwaysTop")), QStringLiteral("1"));
    EXPECT_EQ(saved.GetProfileString(QStringLiteral("Settings"), QStringLiteral("MinimizeToTray")),
              QStringLiteral("1"));
    EXPECT_EQ(saved.GetProfileString(QStringLiteral("Settings"), QStringLiteral("WindowPos")),
              QStringLiteral("44,0,1"));
    EXPECT_EQ(saved.GetProfileInt(QStringLiteral("DockState"), QStringLiteral("Bars"), 0), 3);
}

TEST(AppSettings, FailedSaveSaysSoAndKeepsTheOldProfile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillmere.ini"));
    const QByteArray old = QByteArray("[Settings]\nMoveStep=300\nPadding=") + QByteArray(300, 'p') + "\n";
    WriteAllBytes(path, old);
    CIniProfile profile(path);
    CAppSettings settings;
    settings.Load(profile);
    settings.MoveStep = 2000;

    CResult saved;
    {
        CFileSizeLimit limit(200);
        saved = settings.Save(profile);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(saved.Message().contains(QStringLiteral("quillmere.ini")));
    EXPECT_EQ(ReadAllBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("quillmere.ini")}); // no leftovers
}

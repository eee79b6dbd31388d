#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{
const QString g_section = u"Settings"_qs;
} // namespace

TEST(IniProfile, ReadsIntegersLikeTheProfileFunctions)
{
    CIniProfile profile;
    profile.Parse("[Settings]\r\nA=7\r\nB = -12 \r\nC=7abc\r\nD=abc\r\nE=\r\nF=4294967295\r\n");
    const std::pair<const char *, int> cases[] = {{"A", 7}, {"B", -12}, {"C", 7},      {"D", 0},
                                                  {"E", 0}, {"F", -1},  {"Missing", 1}};
    for (const auto &[key, value] : cases)
        EXPECT_EQ(profile.GetProfileInt(g_section, QLatin1String(key), 1), value) << key;
    EXPECT_EQ(profile.GetProfileInt(u"Other"_qs, u"A"_qs, 42), 42);
    // Sections and keys match whatever their letter case.
    EXPECT_EQ(profile.GetProfileInt(u"settings"_qs, u"a"_qs, 1), 7);
}

TEST(IniProfile, WritingKeepsEverythingElseOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"q.ini"_qs);
    WriteAllBytes(path, "; made by hand\n[DockState-Bar0]\nVisible=1\n\n[Settings]\nWindowPos=1,2,3\nMoveStep=300\n"
                        "Unknown=keep me\n\n[Recent File List]\nFile1=/home/学生/课文.rtf\n");
    CIniProfile profile(path);
    profile.WriteProfileInt(g_section, u"movestep"_qs, 1000);
    profile.WriteProfileInt(g_section, u"AutoSave"_qs, 5);
    profile.WriteProfileInt(u"State"_qs, u"Volume"_qs, 80);
    ASSERT_TRUE(profile.Flush());
    EXPECT_EQ(ReadAllBytes(path),
              QByteArray("; made by hand\n[DockState-Bar0]\nVisible=1\n\n[Settings]\nWindowPos=1,2,3\nmovestep=1000\n"
                         "Unknown=keep me\nAutoSave=5\n\n[Recent File List]\nFile1=/home/学生/课文.rtf\n"
                         "[State]\nVolume=80\n"));
    EXPECT_EQ(CIniProfile(path).GetProfileString(u"Recent File List"_qs, u"File1"_qs), u"/home/学生/课文.rtf"_qs);
}

TEST(IniProfile, WrittenBackWithItsOwnLineEndsAndHeaders)
{
    CIniProfile profile;
    profile.Parse("[ Settings ] ; note\r\nA=1\r\n[]\r\nodd\r\n");
    profile.WriteProfileInt(g_section, u"B"_qs, 2);
    // "[]" names no section: it is a line of [Settings], which ends after "odd".
    EXPECT_EQ(profile.Serialize(), QByteArray("[ Settings ] ; note\r\nA=1\r\n[]\r\nodd\r\nB=2\r\n"));

    // CRs before a line end belong to the line end; rewriting is stable.
    CIniProfile lf;
    lf.Parse("[State]\nVolume=5\r\n\r\r\nlast\r");
    EXPECT_EQ(lf.GetProfileInt(u"State"_qs, u"Volume"_qs, 0), 5);
    EXPECT_EQ(lf.Serialize(), QByteArray("[State]\nVolume=5\n\nlast\n"));
    CIniProfile again;
    again.Parse(lf.Serialize());
    EXPECT_EQ(again.Serialize(), lf.Serialize());
}

// A missing profile is the first run: every key is written with its default.
TEST(AppSettings, FirstRunUsesDefaultsAndWritesEveryKey)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"quillmere.ini"_qs);
    CIniProfile profile(path);
    CAppSettings settings;
    settings.Load(profile);
    ASSERT_TRUE(settings.Save(profile));
    EXPECT_EQ(ReadAllBytes(path), QByteArray("[Settings]\nAlwaysTop=0\nMoveStep=100\nUSplitterHigh=10\n"
                                             "LSplitterWidth=10\nAutoSave=0\nMinimizeToTray=0\nBackStep=0\n"
                                             "[State]\nVolume=50\nMute=0\nOrder=0\nPlaylistIndex=0\n"
                                             "[Drill]\nDrillOn=0\nDrillPasses=2\nDrillGap=3\n"));
}

// Values are read as they stand and booleans normalised; only the drill's
// passes and silence and the back step are kept to what the menu and the
// settings dialog offer. Keys of others (the window, the bars) stay.
TEST(AppSettings, StoredValuesAreReadAsTheyStandAndOthersKeysKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"quillmere.ini"_qs);
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
    EXPECT_EQ(settings.BackStep, 10);
    EXPECT_TRUE(settings.DrillOn);
    EXPECT_EQ(settings.DrillPasses, 9);
    EXPECT_EQ(settings.DrillGap, 0);
    ASSERT_TRUE(settings.Save(profile));
    const CIniProfile saved(path);
    EXPECT_EQ(saved.GetProfileString(g_section, u"AlwaysTop"_qs), u"1"_qs);
    EXPECT_EQ(saved.GetProfileString(g_section, u"MinimizeToTray"_qs), u"1"_qs);
    EXPECT_EQ(saved.GetProfileString(g_section, u"WindowPos"_qs), u"44,0,1"_qs);
    EXPECT_EQ(saved.GetProfileInt(u"DockState"_qs, u"Bars"_qs, 0), 3);

    // A failed save says so and keeps the old profile, leaving no temporary file.
    const QByteArray old = ReadAllBytes(path);
    settings.MoveStep = 2000;
    CResult failed;
    {
        CFileSizeLimit limit(old.size() - 1);
        failed = settings.Save(profile);
    }
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.Message().contains(u"quillmere.ini"_qs));
    EXPECT_EQ(ReadAllBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"quillmere.ini"_qs});
}

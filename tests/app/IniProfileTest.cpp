#include "app/CIniProfile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{
const QString g_section = QStringLiteral("Settings");
} // namespace

TEST(IniProfile, ReadsIntegersLikeTheProfileFunctions)
{
    CIniProfile profile;
    profile.Parse("[Settings]\r\nA=7\r\nB = -12 \r\nC=7abc\r\nD=abc\r\nE=\r\nF=4294967295\r\n");
    const std::pair<const char *, int> cases[] = {{"A", 7}, {"B", -12}, {"C", 7},      {"D", 0},
                                                  {"E", 0}, {"F", -1},  {"Missing", 1}};
    for (const auto &[key, value] : cases)
        EXPECT_EQ(profile.GetProfileInt(g_section, QLatin1String(key), 1), value) << key;
    EXPECT_EQ(profile.GetProfileInt(QStringLiteral("Other"), QStringLiteral("A"), 42), 42);
    // Sections and keys match whatever their letter case.
    EXPECT_EQ(profile.GetProfileInt(QStringLiteral("settings"), QStringLiteral("a"), 1), 7);
}

TEST(IniProfile, WritingKeepsEverythingElseOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.ini"));
    WriteAllBytes(path, "; made by hand\n[DockState-Bar0]\nVisible=1\n\n[Settings]\nWindowPos=1,2,3\nMoveStep=300\n"
                        "Unknown=keep me\n\n[Recent File List]\nFile1=/home/学生/课文.rtf\n");
    CIniProfile profile(path);
    profile.WriteProfileInt(g_section, QStringLiteral("movestep"), 1000);
    profile.WriteProfileInt(g_section, QStringLiteral("AutoSave"), 5);
    profile.WriteProfileInt(QStringLiteral("State"), QStringLiteral("Volume"), 80);
    ASSERT_TRUE(profile.Flush());

    EXPECT_EQ(ReadAllBytes(path),
              QByteArray("; made by hand\n[DockState-Bar0]\nVisible=1\n\n[Settings]\nWindowPos=1,2,3\nmovestep=1000\n"
                         "Unknown=keep me\nAutoSave=5\n\n[Recent File List]\nFile1=/home/学生/课文.rtf\n"
                         "[State]\nVolume=80\n"));
    CIniProfile reread(path);
    EXPECT_EQ(reread.GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1")),
              QStringLiteral("/home/学生/课文.rtf"));
}

TEST(IniProfile, WrittenBackWithItsOwnLineEndsAndHeaders)
{
    CIniProfile profile;
    profile.Parse("[ Settings ] ; note\r\nA=1\r\n[]\r\nodd\r\n");
    profile.WriteProfileInt(g_section, QStringLiteral("B"), 2);
    // "[]" names no section: it is a line of [Settings], which ends after "odd".
    EXPECT_EQ(profile.Serialize(), QByteArray("[ Settings ] ; note\r\nA=1\r\n[]\r\nodd\r\nB=2\r\n"));

    // CRs before a line end belong to the line end; rewriting is stable.
    CIniProfile lf;
    lf.Parse("[State]\nVolume=5\r\n\r\r\nlast\r");
    EXPECT_EQ(lf.GetProfileInt(QStringLiteral("State"), QStringLiteral("Volume"), 0), 5);
    EXPECT_EQ(lf.Serialize(), QByteArray("[State]\nVolume=5\n\nlast\n"));
    CIniProfile again;
    again.Parse(lf.Serialize());
    EXPECT_EQ(again.Serialize(), lf.Serialize());
}

// A missing file and a failed flush: the settings tests' first run and failed save.

// A text file under a Chinese locale whose character set is GBK: the program's
// own lists are written in the locale's character set, and a character it
// cannot hold becomes "#". A program of its own, since the character set is
// settled on its first use in a process.
#include "lists/CTextFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

TEST(TextFileInGbk, WritesTheLocalesCharacterSetAndHashForWhatItCannotHold)
{
    // Few systems carry a GBK locale: this one is built from the system's locale sources.
    QTemporaryDir locales;
    const QString locale = locales.filePath(QStringLiteral("zh_CN.GBK"));
    if (QProcess::execute(QStringLiteral("localedef"), {u"-i"_qs, u"zh_CN"_qs, u"-f"_qs, u"GBK"_qs, locale}) != 0)
        GTEST_SKIP() << "cannot build a GBK locale (Debian package locales)";
    qputenv("LOCPATH", QFile::encodeName(locales.path()));
    qputenv("LC_ALL", "zh_CN.GBK");

    const QString path = locales.filePath(QStringLiteral("list.txt"));
    {
        CTextFile file(path, CTextFile::modeCreate | CTextFile::modeWrite);
        file.WriteString(QStringLiteral("中文😀é\n"));
        ASSERT_TRUE(file.Close());
    }
    EXPECT_EQ(ReadAllBytes(path), QByteArray("\xD6\xD0\xCE\xC4#\xA8\xA6\r\n"));
    CTextFile file(path, CTextFile::modeRead);
    QString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QStringLiteral("中文#é"));
}

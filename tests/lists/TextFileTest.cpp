#include "base/CFileError.h"
#include "lists/CTextFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{

QStringList ReadLines(const QString &path)
{
    CTextFile file(path, CTextFile::modeRead);
    QStringList lines;
    QString line;
    while (file.ReadString(line))
        lines.append(line);
    return lines;
}

class TextFileTest : public ::testing::Test
{
protected:
    QString Path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TextFileTest, LinesComeBackWithoutTheirEnds)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"one\r\n\r\ntwo\r\n", {QStringLiteral("one"), QString(), QStringLiteral("two")}},
        {"one\ntwo", {QStringLiteral("one"), QStringLiteral("two")}},
        {"one\rtwo\r", {QStringLiteral("one\rtwo")}}, // a lone CR ends no line
    };
    for (const auto &[bytes, lines] : cases) {
        WriteAllBytes(Path("lines"), bytes);
        EXPECT_EQ(ReadLines(Path("lines")), lines) << bytes.constData();
    }
}

TEST_F(TextFileTest, LongLinesComeBackInPieces)
{
    WriteAllBytes(Path("long"), QByteArray(5000, 'x') + "\r\nnext\r\n");
    const QStringList lines = ReadLines(Path("long"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 4095);
    EXPECT_EQ(lines[1].size(), 905);
    EXPECT_EQ(lines[2], QStringLiteral("next"));
}

// Reading a missing file creates nothing and names it; creating it on a read, and keeping
// what is there, is what loading the playlist does (its tests).
TEST_F(TextFileTest, ReadingAMissingFileFailsAndCreatesNothing)
{
    CTextFile file(Path("missing"), CTextFile::modeRead);
    QString line;
    EXPECT_FALSE(file.ReadString(line));
    const CResult closed = file.Close();
    EXPECT_FALSE(closed);
    EXPECT_EQ(closed.Message(), CFileError(CFileError::fileNotFound, Path("missing"), ENOENT).GetErrorMessage());
    EXPECT_FALSE(QFile::exists(Path("missing")));
}

// A failed write is the playlist's failed save; a file written but never closed
// replaces nothing and leaves nothing behind.
TEST_F(TextFileTest, AFileNeverClosedReplacesNothing)
{
    WriteAllBytes(Path("list"), "old\r\n");
    {
        CTextFile file(Path("list"), CTextFile::modeCreate | CTextFile::modeWrite);
        file.WriteString(QStringLiteral("half"));
    }
    EXPECT_EQ(ReadAllBytes(Path("list")), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list")});
}

TEST_F(TextFileTest, AFolderIsNoTextFile)
{
    for (const auto flags : {CTextFile::modeRead, CTextFile::OpenFlags(CTextFile::modeCreate | CTextFile::modeWrite)}) {
        CTextFile file(m_dir.path(), flags);
        EXPECT_FALSE(file.Status());
        EXPECT_FALSE(file.Close());
    }
}

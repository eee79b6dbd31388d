#include "lists/CMediaInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

// Files the library cannot read are described in a bounded number of steps,
// a chunk each, with empty values; a 2 GB file is not read to its end.
TEST(MediaInfo, FilesTheLibraryCannotReadGiveEmptyValuesInFewSteps)
{
    QTemporaryDir dir;
    const QString zeros = dir.filePath(QStringLiteral("zeros.mp3"));
    const QString empty = dir.filePath(QStringLiteral("empty.mp3"));
    WriteAllBytes(zeros, QByteArray());
    WriteAllBytes(empty, QByteArray());
    ASSERT_TRUE(QFile::resize(zeros, 2LL * 1024 * 1024 * 1024));
    const std::pair<QString, int> cases[] = {
        {zeros, 300}, // the library gives up on data it does not know after 16 MB
        {empty, 1},
        {dir.filePath(QStringLiteral("missing.mp3")), 0},
        {dir.path(), 1},
    };
    CMediaInfo info;
    ASSERT_TRUE(info.IsAvailable());
    for (const auto &[path, mostSteps] : cases) {
        SCOPED_TRACE(path.toStdString());
        info.Open(path);
        int steps = 0;
        while (!info.IsComplete() && steps <= mostSteps) {
            info.ReadStep();
            ++steps;
        }
        EXPECT_TRUE(info.IsComplete());
        for (const char *parameter : {"Track", "Performer", "BitRate"})
            EXPECT_EQ(info.GetGeneral(QString::fromLatin1(parameter)), QString()) << parameter;
    }
}

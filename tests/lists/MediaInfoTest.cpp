#include "CTestMedia.h"
#include "lists/CMediaInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

// The library is not loaded at the program's start: it is loaded when the first
// description starts. Files it cannot read are described in a bounded number of
// steps, a chunk each, with empty values (a 2 GB file is not read to its end),
// and a file it knows is described as it always was.
TEST(MediaInfo, LoadedAtTheFirstDescriptionBoundedForWhatItCannotReadAndDescribesTheRest)
{
    QTemporaryDir dir;
    const QString zeros = dir.filePath(u"zeros.mp3"_qs), empty = dir.filePath(u"empty.mp3"_qs);
    WriteAllBytes(zeros, QByteArray());
    WriteAllBytes(empty, QByteArray());
    ASSERT_TRUE(QFile::resize(zeros, 2LL << 30));
    const std::pair<QString, int> cases[] = {
        {zeros, 300}, // the library gives up on data it does not know after 16 MB
        {empty, 1},
        {dir.filePath(u"missing.mp3"_qs), 0},
        {dir.path(), 1},
    };
    const auto loaded = [] { return ReadAllBytes(u"/proc/self/maps"_qs).contains("libmediainfo"); };
    CMediaInfo info;
    EXPECT_FALSE(loaded());
    for (const auto &[path, mostSteps] : cases) {
        SCOPED_TRACE(path.toStdString());
        info.Open(path);
        EXPECT_TRUE(loaded());
        ASSERT_TRUE(info.IsAvailable());
        int steps = 0;
        for (; !info.IsComplete() && steps <= mostSteps; ++steps)
            info.ReadStep();
        EXPECT_TRUE(info.IsComplete());
        for (const char *parameter : {"Track", "Performer", "BitRate"})
            EXPECT_EQ(info.GetGeneral(QString::fromLatin1(parameter)), QString()) << parameter;
    }

    info.Open(QString::fromStdString(CTestMedia::Path("tone22k.wav")));
    for (int steps = 0; !info.ReadStep() && steps < 10; ++steps) {
    }
    ASSERT_TRUE(info.IsComplete());
    EXPECT_EQ(info.GetGeneral(u"Format"_qs), u"Wave"_qs);
    EXPECT_EQ(info.GetGeneral(u"Duration"_qs), u"3000"_qs);
    EXPECT_TRUE(info.Inform().contains(u"22.05 kHz"_qs)) << info.Inform().toStdString();
}

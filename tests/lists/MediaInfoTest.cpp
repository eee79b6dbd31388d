#include "lists/CMediaInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDataStream>
#include <QTemporaryDir>
#include <dlfcn.h>

namespace
{

// A second of 16-bit mono silence at 22,050 Hz.
QByteArray WaveFile()
{
    const quint32 rate = 22050;
    QByteArray wave;
    QDataStream out(&wave, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + rate * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(rate * 2);
    return wave + QByteArray(rate * 2, '\0');
}

} // namespace

// The library is not loaded at the program's start: it is loaded when the first
// description starts. Files it cannot read are described in a bounded number of
// steps, a chunk each, with empty values (a 2 GB file is not read to its end),
// and a file it knows is described as it always was.
TEST(MediaInfo, LoadedAtTheFirstDescriptionBoundedForWhatItCannotReadAndDescribesTheRest)
{
    QTemporaryDir dir;
    const QString zeros = dir.filePath(u"zeros.mp3"_qs);
    const QString empty = dir.filePath(u"empty.mp3"_qs);
    WriteAllBytes(zeros, QByteArray());
    WriteAllBytes(empty, QByteArray());
    ASSERT_TRUE(QFile::resize(zeros, 2LL * 1024 * 1024 * 1024));
    const std::pair<QString, int> cases[] = {
        {zeros, 300}, // the library gives up on data it does not know after 16 MB
        {empty, 1},
        {dir.filePath(u"missing.mp3"_qs), 0},
        {dir.path(), 1},
    };
    const auto loaded = [] {
        void *library = dlopen("libmediainfo.so.0", RTLD_NOW | RTLD_NOLOAD);
        if (library != nullptr)
            dlclose(library);
        return library != nullptr;
    };
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

    const QString wave = dir.filePath(u"tone.wav"_qs);
    WriteAllBytes(wave, WaveFile());
    info.Open(wave);
    for (int steps = 0; !info.ReadStep() && steps < 10; ++steps) {
    }
    ASSERT_TRUE(info.IsComplete());
    EXPECT_EQ(info.GetGeneral(u"Format"_qs), u"Wave"_qs);
    EXPECT_EQ(info.GetGeneral(u"Duration"_qs), u"1000"_qs);
    EXPECT_TRUE(info.Inform().contains(u"22.05 kHz"_qs)) << info.Inform().toStdString();
}

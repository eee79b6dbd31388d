#include "lists/CMediaInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>
#include <dlfcn.h>

namespace
{

// A second of 16-bit mono silence at 22,050 Hz.
QByteArray WaveFile()
{
    const quint32 rate = 22050;
    const quint32 dataBytes = rate * 2;
    QByteArray wave;
    const auto add32 = [&wave](quint32 value) { wave += QByteArray(4, '\0'), qToLittleEndian(value, wave.end() - 4); };
    const auto add16 = [&wave](quint16 value) { wave += QByteArray(2, '\0'), qToLittleEndian(value, wave.end() - 2); };
    wave += "RIFF";
    add32(36 + dataBytes);
    wave += "WAVEfmt ";
    add32(16);
    add16(1); // PCM
    add16(1); // mono
    add32(rate);
    add32(rate * 2);
    add16(2);
    add16(16);
    wave += "data";
    add32(dataBytes);
    return wave + QByteArray(static_cast<qsizetype>(dataBytes), '\0');
}

} // namespace

// The library is not part of the program's start: it is loaded when the first
// description starts, and then describes files as it always did.
TEST(MediaInfo, TheLibraryIsLoadedAtTheFirstDescriptionAndDescribesTheFile)
{
    const auto loaded = [] {
        void *library = dlopen("libmediainfo.so.0", RTLD_NOW | RTLD_NOLOAD);
        if (library != nullptr)
            dlclose(library);
        return library != nullptr;
    };
    CMediaInfo info;
    EXPECT_FALSE(loaded());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tone.wav"));
    WriteAllBytes(path, WaveFile());
    info.Open(path);
    EXPECT_TRUE(loaded());
    ASSERT_TRUE(info.IsAvailable());
    for (int steps = 0; !info.ReadStep() && steps < 10; ++steps) {
    }
    ASSERT_TRUE(info.IsComplete());
    EXPECT_EQ(info.GetGeneral(QStringLiteral("Format")), QStringLiteral("Wave"));
    EXPECT_EQ(info.GetGeneral(QStringLiteral("Duration")), QStringLiteral("1000"));
    EXPECT_TRUE(info.Inform().contains(QStringLiteral("22.05 kHz"))) << info.Inform().toStdString();
}

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

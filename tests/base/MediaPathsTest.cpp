#include "base/MediaPaths.h"

#include <gtest/gtest.h>

TEST(MediaPaths, ReplaceTheExtensionOrAppendOne)
{
    EXPECT_EQ(MediaRtfPath(QStringLiteral("/d/a/b.mp3")), QStringLiteral("/d/a/b.rtf"));
    EXPECT_EQ(MediaLrcPath(QStringLiteral("/d/a/b.c.mp3")), QStringLiteral("/d/a/b.c.lrc"));
    // A "." in a folder name is no extension of the file.
    EXPECT_EQ(MediaRtfPath(QStringLiteral("/d/v1.2/track")), QStringLiteral("/d/v1.2/track.rtf"));
    EXPECT_EQ(MediaRtfPath(QStringLiteral("/d/课文/第一课.mp3")), QStringLiteral("/d/课文/第一课.rtf"));
    // No media loaded: no transcript path, not a file named ".rtf".
    EXPECT_EQ(MediaRtfPath(QString()), QString());
}

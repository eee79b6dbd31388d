// The Windows faces transcripts and windows name are drawn by installed
// fonts, and the face list offers them beside the installed families.
#include "widgets/FontFaces.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

TEST(FontFacesTest, KeptFacesAreDrawnByTheirStandInsAndListedInOrder)
{
    RegisterFaceSubstitutes();
    const std::pair<const char16_t *, const char16_t *> drawnBy[] = {
        {u"Arial", u"Liberation Sans"},
        {u"MS Sans Serif", u"Liberation Sans"},
        {u"宋体", u"Noto Serif CJK SC"},
    };
    for (const auto &[face, standIn] : drawnBy)
        EXPECT_EQ(QFontInfo(QFont(QString::fromUtf16(face))).family(), QString::fromUtf16(standIn));

    const QStringList faces = ScalableFaceNames();
    EXPECT_TRUE(faces.contains(QStringLiteral("Arial")) && faces.contains(QStringLiteral("宋体")));
    EXPECT_FALSE(faces.contains(QStringLiteral("MS Sans Serif"))); // a bitmap face, never offered
    EXPECT_TRUE(std::is_sorted(faces.begin(), faces.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
}

// What the writer puts in the file, for readers other than ours.
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QTextCursor>
#include <gtest/gtest.h>

namespace
{

QByteArray WriteText(const QString &text, const QString &face = QStringLiteral("Arial"))
{
    QTextDocument document;
    QTextCharFormat format;
    format.setFontFamilies({face});
    format.setFontPointSize(12);
    QTextCursor(&document).insertText(text, format);
    return CRtfWriter().Write(document);
}

} // namespace

TEST(RtfWriter, HeaderAndTables)
{
    QTextDocument document;
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Arial")});
    format.setForeground(QColor(255, 0, 0));
    QTextCursor(&document).insertText(QStringLiteral("x"), format);
    const QByteArray rtf = CRtfWriter().Write(document);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\cf1 x\\par")) << rtf.constData();
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
}

TEST(RtfWriter, EscapesAsciiAndWritesTheRestAsUnicodeWithFallback)
{
    const QByteArray latin = WriteText(QStringLiteral("a\\b{c}d é\tx\u2028y"));
    EXPECT_TRUE(latin.contains("a\\\\b\\{c\\}d \\u233\\'e9\\tab x\\line y")) << latin.constData();

    // Chinese goes under a GB2312 font with its GBK pair as the fallback.
    const QByteArray chinese = WriteText(QStringLiteral("中文"));
    EXPECT_TRUE(chinese.contains("\\fcharset134 Arial;")) << chinese.constData();
    EXPECT_TRUE(chinese.contains("\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4")) << chinese.constData();

    // Beyond the BMP: a surrogate pair of signed values.
    const QByteArray emoji = WriteText(QStringLiteral("\U0001F600"));
    EXPECT_TRUE(emoji.contains("\\u-10179 ?\\u-8704 ?")) << emoji.constData();
}

TEST(RtfWriter, ChineseFontNameInItsCodePage)
{
    const QByteArray rtf = WriteText(QStringLiteral("x"), QStringLiteral("宋体"));
    EXPECT_TRUE(rtf.contains("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;")) << rtf.constData();
}

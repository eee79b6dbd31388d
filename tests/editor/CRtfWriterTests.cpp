// What the writer puts in the file, for readers other than ours.
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QTextCursor>
#include <gtest/gtest.h>

TEST(RtfWriter, HeaderTablesEscapesAndFallbacks)
{
    struct SCase {
        QString text;
        QString face;
        std::vector<const char *> written;
    };
    const SCase cases[] = {
        {u"x"_qs,
         u"Arial"_qs,
         {"{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1", "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}",
          "{\\colortbl ;\\red255\\green0\\blue0;}", "\\cf1 x\\par\r\n}\r\n"}},
        {u"a\\b{c}d é\tx\u2028y"_qs, u"Arial"_qs, {"a\\\\b\\{c\\}d \\u233\\'e9\\tab x\\line y"}},
        // Chinese under a GB2312 font, with its GBK pair as the fallback.
        {u"中文"_qs, u"Arial"_qs, {"\\fcharset134 Arial;", "\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4"}},
        {u"\U0001F600"_qs, u"Arial"_qs, {"\\u-10179 ?\\u-8704 ?"}},     // a surrogate pair of signed values
        {u"x"_qs, u"宋体"_qs, {"\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"}}, // the face in its code page
    };
    for (const SCase &test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        QTextDocument document;
        QTextCharFormat format;
        format.setFontFamilies({test.face});
        format.setFontPointSize(12);
        format.setForeground(QColor(255, 0, 0));
        QTextCursor(&document).insertText(test.text, format);
        const QByteArray rtf = CRtfWriter().Write(document);
        for (const char *written : test.written)
            EXPECT_TRUE(rtf.contains(written)) << written << " in " << rtf.constData();
        EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    }
}

// LibreOffice reads what our writer wrote: a headless office converts it to flat ODT, whose XML is
// checked. (Our reader on LibreOffice's own RTF is the reader tests' libreoffice-formats.rtf.)
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

// The automatic style of the first span, or paragraph, whose text begins with text.
QString StyleOf(const QString &xml, const QString &text, bool paragraph)
{
    const QRegularExpression use(QStringLiteral("<text:%1 text:style-name=\"([^\"]+)\">(<[^>]*>)*%2")
                                     .arg(paragraph ? u"p" : u"span", QRegularExpression::escape(text)));
    const QString name = use.match(xml).captured(1);
    EXPECT_FALSE(name.isEmpty()) << "no element with " << text.toStdString();
    return QRegularExpression(QStringLiteral("<style:style style:name=\"%1\".*?</style:style>").arg(name),
                              QRegularExpression::DotMatchesEverythingOption)
        .match(xml)
        .captured(0);
}

} // namespace

TEST(LibreOfficeInterop, ReadsWhatWeWrite)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (libreoffice-writer-nogui)";
    QTextDocument document;
    document.setHtml(QStringLiteral(
        "<p align=center style='font-family:Arial; font-size:18pt'>Centred title</p>"
        "<p align=right style='font-family:Arial; font-size:12pt'>plain <b>Boldword</b><i>Italicword</i>"
        "<u>Underword</u><s>Strikeword</s><span style='color:#ff0000; background-color:#ffff00'>Colourword</span></p>"
        "<p style='font-family:宋体; font-size:14pt'>我们明天见面，café<b>粗体</b></p>"
        "<p style='font-family:Arial; font-size:12pt; white-space:pre'>Ünïcödé tab\there \U0001F600</p>"));
    QTemporaryDir folder;
    const QString rtf = folder.filePath(QStringLiteral("doc.rtf"));
    WriteAllBytes(rtf, CRtfWriter().Write(document));
    // A profile of its own, so that parallel runs do not share one.
    QProcess office;
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + folder.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("fodt"),
                  QStringLiteral("--outdir"), folder.path(), rtf});
    ASSERT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    const QString xml = QString::fromUtf8(ReadAllBytes(folder.filePath(QStringLiteral("doc.fodt"))));
    const std::tuple<const char *, bool, const char *> cases[] = {
        // text, of a paragraph, property
        {"Centred title", true, "fo:text-align=\"center\""},
        {"plain", true, "fo:text-align=\"end\""},
        {"Boldword", false, "fo:font-weight=\"bold\""},
        {"Italicword", false, "fo:font-style=\"italic\""},
        {"Underword", false, "style:text-underline-style=\"solid\""},
        {"Strikeword", false, "style:text-line-through-style=\"solid\""},
        {"Colourword", false, "fo:color=\"#ff0000\""},
        {"Colourword", false, "fo:background-color=\"#ffff00\""},
        {"我们明天见面，café", false, "14pt\""},
        {"我们明天见面，café", false, "style:font-name=\"宋体\""},
    };
    for (const auto &[text, paragraph, property] : cases) {
        const QString style = StyleOf(xml, QString::fromUtf8(text), paragraph);
        EXPECT_TRUE(style.contains(QString::fromUtf8(property))) << text << ": " << style.toStdString();
    }
    // Text beyond Latin-1, a tab and a character outside the BMP come through as written.
    for (const char *text : {"Ünïcödé tab<text:tab/>here \U0001F600", "我们明天见面，café"})
        EXPECT_TRUE(xml.contains(QString::fromUtf8(text))) << text << "\n" << xml.toStdString();
}

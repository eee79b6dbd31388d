// LibreOffice reads what our writer wrote: the document is converted to ODT
// by a headless office and its content.xml is checked. (Our reader on
// LibreOffice's own RTF is the reader tests' libreoffice-formats.rtf.)
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

// Converts the RTF with LibreOffice, using a profile of its own so parallel
// runs do not share one; returns the path of the result.
QString Convert(const QTemporaryDir &folder, const QByteArray &rtf, const QString &format)
{
    QFile file(folder.filePath(QStringLiteral("doc.rtf")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size());
    file.close();
    QProcess office;
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + folder.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
                  folder.filePath(format), file.fileName()});
    EXPECT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    return folder.filePath(format + QStringLiteral("/doc.") + format);
}

// The automatic style of the first span, or paragraph, whose text begins with
// text, as content.xml has it.
QString StyleOf(const QString &xml, const QString &text, bool paragraph)
{
    const QRegularExpression use(QStringLiteral("<text:%1 text:style-name=\"([^\"]+)\">(<[^>]*>)*%2")
                                     .arg(paragraph ? u"p" : u"span", QRegularExpression::escape(text)));
    const QString name = use.match(xml).captured(1);
    EXPECT_FALSE(name.isEmpty()) << "no element with " << text.toStdString();
    return QRegularExpression(QStringLiteral("<style:style style:name=\"%1\".*?</style:style>").arg(name))
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
    const QByteArray rtf = CRtfWriter().Write(document);

    QTemporaryDir folder;
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"),
                {QStringLiteral("-p"), Convert(folder, rtf, QStringLiteral("odt")), QStringLiteral("content.xml")});
    EXPECT_TRUE(unzip.waitForFinished(60000));
    const QString xml = QString::fromUtf8(unzip.readAllStandardOutput());
    const std::tuple<const char *, bool, const char *> cases[] = {
        // text, of a paragraph, property
        {"Centred title", true, "fo:text-align=\"center\""},
        {"plain", true, "fo:text-align=\"end\""},
        {"Centred title", false, "fo:font-size=\"18pt\""},
        {"Boldword", false, "fo:font-weight=\"bold\""},
        {"Italicword", false, "fo:font-style=\"italic\""},
        {"Underword", false, "style:text-underline-style=\"solid\""},
        {"Strikeword", false, "style:text-line-through-style=\"solid\""},
        {"Colourword", false, "fo:color=\"#ff0000\""},
        {"Colourword", false, "fo:background-color=\"#ffff00\""},
        {"我们明天见面，café", false, "14pt\""},
        {"Centred title", false, "style:font-name=\"Arial\""},
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

#include "RtfTestSupport.h"

#include "editor/CRtfReader.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

// Only what is set: "face=Arial size=12 bold italic underline strike fg=#ff0000 bg=#ffff00".
QString DescribeFormat(const QTextCharFormat &format)
{
    QString text = QStringLiteral("face=%1 size=%2")
                       .arg(format.fontFamilies().toStringList().value(0))
                       .arg(format.fontPointSize());
    const auto flag = [&text](bool set, const QString &name) {
        if (set)
            text += u' ' + name;
    };
    flag(format.fontWeight() >= QFont::DemiBold, u"bold"_qs);
    flag(format.fontItalic(), u"italic"_qs);
    flag(format.fontUnderline(), u"underline"_qs);
    flag(format.fontStrikeOut(), u"strike"_qs);
    const QBrush foreground = format.brushProperty(QTextFormat::ForegroundBrush);
    const QBrush background = format.brushProperty(QTextFormat::BackgroundBrush);
    flag(foreground.style() != Qt::NoBrush, u"fg="_qs + foreground.color().name());
    flag(background.style() != Qt::NoBrush, u"bg="_qs + background.color().name());
    return text;
}

// "align=4" and the indents and spacing that are not 0, in pixels.
QString DescribeParagraph(const QTextBlockFormat &format)
{
    QString text = QStringLiteral("align=%1").arg(int(format.alignment() & Qt::AlignHorizontal_Mask));
    const std::pair<const char *, double> sizes[] = {{"left", format.leftMargin()},
                                                     {"right", format.rightMargin()},
                                                     {"first", format.textIndent()},
                                                     {"before", format.topMargin()},
                                                     {"after", format.bottomMargin()}};
    for (const auto &[name, size] : sizes)
        text += size != 0 ? QStringLiteral(" %1=%2").arg(QLatin1String(name)).arg(size) : QString();
    return text;
}

QString DescribeFragment(const QTextDocument &document, const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    if (!format.isImageFormat()) {
        QString text = fragment.text();
        text.replace(QChar(0x2028), QStringLiteral("<line>")).replace(u'\t', QStringLiteral("<tab>"));
        return QStringLiteral("  [%1] %2\n").arg(text, DescribeFormat(format));
    }
    const QTextImageFormat picture = format.toImageFormat();
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(picture.name()));
    const QImage image = resource.value<QImage>().convertToFormat(QImage::Format_ARGB32);
    const size_t pixels = qHashBits(image.constBits(), size_t(image.sizeInBytes()));
    return QString::asprintf("  picture %dx%d shown %gx%g pixels %zu\n", image.width(), image.height(), picture.width(),
                             picture.height(), pixels)
        .repeated(fragment.length());
}

QTextCursor CursorAt(const QTextDocument &document, const QString &text)
{
    const auto index = document.toPlainText().indexOf(text);
    EXPECT_GE(index, 0) << text.toStdString();
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(static_cast<int>(index) + 1); // the format of the character before
    return cursor;
}

} // namespace

QString DescribeDocument(const QTextDocument &document)
{
    QString description;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        description += QStringLiteral("paragraph ") + DescribeParagraph(block.blockFormat()) + u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it)
            description += DescribeFragment(document, it.fragment());
    }
    return description;
}

std::string FormatOf(const QTextDocument &document, const QString &text)
{
    return DescribeFormat(CursorAt(document, text).charFormat()).toStdString();
}

std::string ParagraphOf(const QTextDocument &document, const QString &text)
{
    return DescribeParagraph(CursorAt(document, text).blockFormat()).toStdString();
}

std::unique_ptr<QTextDocument> ReadRtf(const QByteArray &rtf)
{
    if (!rtf.startsWith('{')) {
        QFile fixture(QStringLiteral(QUILLMERE_TEST_DATA "/rtf/") + QString::fromLatin1(rtf));
        EXPECT_TRUE(fixture.open(QIODevice::ReadOnly)) << rtf.constData();
        return ReadRtf(fixture.readAll());
    }
    auto document = std::make_unique<QTextDocument>();
    CRtfReader reader;
    EXPECT_TRUE(reader.Read(rtf, *document)) << reader.ErrorString().toStdString();
    EXPECT_FALSE(reader.IsDamaged()) << reader.ErrorString().toStdString();
    return document;
}

QImage MakeTestImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x * y) & 255, 255));
    return image;
}

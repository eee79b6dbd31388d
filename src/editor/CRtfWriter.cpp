#include "editor/CRtfWriter.h"

#include "base/CodePage.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cmath>

namespace
{

constexpr int kCharsetWestern = 0;
constexpr int kCharsetChinese = 134; // GB2312 / GBK, code page 936
constexpr double kTwipsPerPixel = 15.0;
constexpr qsizetype kLongLine = 200;

// Characters a Chinese font should carry: CJK symbols, ideographs, full-width forms.
bool IsChinese(char16_t u)
{
    return (u >= 0x2e80 && u <= 0x9fff) || (u >= 0xf900 && u <= 0xfaff) || (u >= 0xfe30 && u <= 0xfe4f) ||
           (u >= 0xff00 && u <= 0xffef);
}

bool HasChinese(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return IsChinese(c.unicode()); });
}

// The face of a format, whichever of Qt's two family properties carries it.
QString FamilyOf(const QTextCharFormat &format)
{
    const QString family = format.fontFamilies().toStringList().value(0);
    return family.isEmpty() ? format.property(QTextFormat::FontFamily).toString() : family;
}

qint64 Twips(double pixels)
{
    return std::llround(pixels * kTwipsPerPixel);
}

QImage ResourceImage(const QVariant &resource)
{
    if (resource.canConvert<QImage>() && resource.userType() == QMetaType::QImage)
        return resource.value<QImage>();
    if (resource.userType() == QMetaType::QPixmap)
        return resource.value<QPixmap>().toImage();
    if (resource.userType() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray());
    return {};
}

} // namespace

QByteArray CRtfWriter::Write(const QTextDocument &document)
{
    *this = CRtfWriter();
    m_pDocument = &document;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        WriteBlock(block);
    QByteArray rtf = Header();
    rtf += m_body;
    rtf += "}\r\n";
    m_pDocument = nullptr;
    return rtf;
}

QByteArray CRtfWriter::Header() const
{
    QByteArray header = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        header += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + QByteArray::number(m_fonts[i].nCharset) + ' ' +
                  FontName(m_fonts[i]) + ";}";
    }
    header += "}\r\n{\\colortbl ;";
    for (const QColor &color : m_colors) {
        header += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) + "\\blue" +
                  QByteArray::number(color.blue()) + ';';
    }
    header += "}\r\n\\viewkind4\r\n";
    return header;
}

// A font name in the font's own code page; what it cannot hold goes as \uN.
QByteArray CRtfWriter::FontName(const SFont &font)
{
    const int codePage = font.nCharset == kCharsetChinese ? 936 : 1252;
    QByteArray name;
    for (const QChar c : font.name) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != '\\' && u != '{' && u != '}' && u != ';') {
            name += char(u);
            continue;
        }
        const QByteArray bytes = EncodeCodePage(QStringView(&c, 1), codePage);
        if (!bytes.isEmpty() && bytes != "#") {
            for (const char b : bytes)
                name += "\\'" + QByteArray::number(static_cast<unsigned char>(b), 16).rightJustified(2, '0');
        } else {
            name += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
    return name;
}

void CRtfWriter::WriteBlock(const QTextBlock &block)
{
    const QTextBlockFormat format = block.blockFormat();
    Word("pard");
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        Word("qc");
    else if (alignment & Qt::AlignJustify)
        Word("qj");
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        Word("qr");
    else
        Word("ql");
    const std::pair<const char *, double> spacing[] = {{"li", format.leftMargin()},
                                                       {"ri", format.rightMargin()},
                                                       {"fi", format.textIndent()},
                                                       {"sb", format.topMargin()},
                                                       {"sa", format.bottomMargin()}};
    for (const auto &[word, pixels] : spacing) {
        if (Twips(pixels) != 0)
            Word(word, Twips(pixels));
    }
    if (block.length() <= 1)
        WriteCharFormat(block.charFormat(), false); // an empty paragraph keeps its size and font
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat charFormat = fragment.charFormat();
        const QString text = fragment.text();
        const bool chinese = HasChinese(text) || HasChinese(FamilyOf(charFormat));
        WriteCharFormat(charFormat, chinese);
        if (charFormat.isImageFormat()) {
            for (qsizetype i = 0; i < text.size(); ++i)
                WriteImage(charFormat.toImageFormat());
        } else {
            WriteText(text, chinese);
        }
    }
    Word("par");
    m_body += "\r\n";
    m_nLineStart = m_body.size();
    m_bNeedDelimiter = false;
}

void CRtfWriter::WriteCharFormat(const QTextCharFormat &format, bool chinese)
{
    const QFont defaultFont = m_pDocument->defaultFont();
    SFont font{FamilyOf(format), chinese ? kCharsetChinese : kCharsetWestern};
    if (font.name.isEmpty())
        font.name = defaultFont.family();
    double points = format.fontPointSize();
    if (points <= 0)
        points = defaultFont.pointSizeF() > 0 ? defaultFont.pointSizeF() : 12.0;
    Word("plain");
    Word("f", FontIndex(font));
    Word("fs", std::llround(points * 2));
    if (format.fontWeight() >= QFont::DemiBold)
        Word("b");
    if (format.fontItalic())
        Word("i");
    if (format.fontUnderline())
        Word("ul");
    if (format.fontStrikeOut())
        Word("strike");
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        Word("cf", ColorIndex(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush)
        Word("highlight", ColorIndex(format.background().color()));
}

void CRtfWriter::WriteText(QStringView text, bool chinese)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            Raw('\\');
            m_body += char(u);
        } else if (u >= 0x20 && u < 0x7f) {
            // Long lines are broken after a space; readers ignore the line end.
            if (u == ' ' && m_body.size() - m_nLineStart > kLongLine && !m_bNeedDelimiter) {
                m_body += " \r\n";
                m_nLineStart = m_body.size();
                continue;
            }
            Raw(char(u));
        } else if (u == '\t') {
            Word("tab");
        } else if (u == 0x2028) {
            Word("line");
        } else {
            WriteUnicode(u, Fallback(u, chinese));
        }
    }
}

void CRtfWriter::WriteUnicode(char16_t unit, const QByteArray &fallback)
{
    const int units = static_cast<int>(fallback.size());
    if (units != m_nUc) {
        Word("uc", units);
        m_nUc = units;
    }
    Word("u", static_cast<qint16>(unit));
    for (const char b : fallback) {
        if (b == '?')
            Raw('?');
        else
            Hex(static_cast<unsigned char>(b));
    }
}

// The bytes a reader without Unicode shows for the character: its code in the
// font's code page (a GBK pair under a Chinese font), else "?".
const QByteArray &CRtfWriter::Fallback(char16_t unit, bool chinese)
{
    const quint32 key = (chinese ? 0x10000u : 0u) | unit;
    auto it = m_fallbacks.find(key);
    if (it != m_fallbacks.end())
        return *it;
    QByteArray bytes = "?";
    if (!QChar::isSurrogate(unit)) {
        const QChar c(unit);
        const QByteArray encoded = EncodeCodePage(QStringView(&c, 1), chinese ? 936 : 1252);
        if (!encoded.isEmpty() && encoded != "#" && encoded.size() <= 2)
            bytes = encoded;
    }
    return *m_fallbacks.insert(key, bytes);
}

void CRtfWriter::WriteImage(const QTextImageFormat &format)
{
    const QImage image = ResourceImage(m_pDocument->resource(QTextDocument::ImageResource, QUrl(format.name())));
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    m_body += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich" +
              QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(Twips(width)) + "\\pichgoal" +
              QByteArray::number(Twips(height)) + "\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        m_body += hex.mid(i, 128);
        m_body += "\r\n";
    }
    m_body += '}';
    m_nLineStart = m_body.size();
    m_bNeedDelimiter = false;
}

int CRtfWriter::FontIndex(const SFont &font)
{
    qsizetype index = m_fonts.indexOf(font);
    if (index < 0) {
        index = m_fonts.size();
        m_fonts.append(font);
    }
    return static_cast<int>(index);
}

// Index in the colour table; entry 0 is the automatic colour.
int CRtfWriter::ColorIndex(const QColor &color)
{
    const QColor opaque = QColor::fromRgb(color.rgb());
    qsizetype index = m_colors.indexOf(opaque);
    if (index < 0) {
        index = m_colors.size();
        m_colors.append(opaque);
    }
    return static_cast<int>(index) + 1;
}

void CRtfWriter::Word(const char *word)
{
    m_body += '\\';
    m_body += word;
    m_bNeedDelimiter = true;
}

void CRtfWriter::Word(const char *word, qint64 param)
{
    Word(word);
    m_body += QByteArray::number(param);
}

void CRtfWriter::Raw(char c)
{
    if (m_bNeedDelimiter)
        m_body += ' ';
    m_bNeedDelimiter = false;
    m_body += c;
}

void CRtfWriter::Hex(unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    m_body += "\\'";
    m_body += digits[byte >> 4];
    m_body += digits[byte & 15];
    m_bNeedDelimiter = false;
}

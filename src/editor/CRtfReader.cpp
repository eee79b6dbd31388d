#include "editor/CRtfReader.h"

#include "base/CodePage.h"
#include "editor/CRtfTokenizer.h"

#include <QImage>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace
{

constexpr std::size_t kMaxDepth = 1000;
constexpr qsizetype kMaxPictureBytes = 64 * 1024 * 1024;
constexpr int kMaxPicturePixels = 20000; // shown width or height
constexpr int kTwipsPerPixel = 15;
constexpr int kMaxTwips = 31680 * 4; // far beyond any page

// Groups whose contents are never shown, sorted for a binary search: most
// control words are looked up here, and a hash of each cost more.
constexpr std::array kSkippedDestinations = {
    std::string_view("aftncn"),
    std::string_view("aftnsep"),
    std::string_view("aftnsepc"),
    std::string_view("annotation"),
    std::string_view("atnauthor"),
    std::string_view("atnid"),
    std::string_view("author"),
    std::string_view("bkmkend"),
    std::string_view("bkmkstart"),
    std::string_view("blipuid"),
    std::string_view("colorschememapping"),
    std::string_view("comment"),
    std::string_view("datastore"),
    std::string_view("doccomm"),
    std::string_view("docvar"),
    std::string_view("falt"),
    std::string_view("fchars"),
    std::string_view("filetbl"),
    std::string_view("fldinst"),
    std::string_view("fname"),
    std::string_view("footer"),
    std::string_view("footerf"),
    std::string_view("footerl"),
    std::string_view("footerr"),
    std::string_view("footnote"),
    std::string_view("ftncn"),
    std::string_view("ftnsep"),
    std::string_view("ftnsepc"),
    std::string_view("generator"),
    std::string_view("header"),
    std::string_view("headerf"),
    std::string_view("headerl"),
    std::string_view("headerr"),
    std::string_view("info"),
    std::string_view("keywords"),
    std::string_view("latentstyles"),
    std::string_view("lchars"),
    std::string_view("levelnumbers"),
    std::string_view("leveltext"),
    std::string_view("listoverridetable"),
    std::string_view("listtable"),
    std::string_view("listtext"),
    std::string_view("mmathPr"),
    std::string_view("nonshppict"),
    std::string_view("objclass"),
    std::string_view("objdata"),
    std::string_view("objname"),
    std::string_view("operator"),
    std::string_view("panose"),
    std::string_view("pgdsctbl"),
    std::string_view("pgptbl"),
    std::string_view("picprop"),
    std::string_view("pn"),
    std::string_view("pnseclvl"),
    std::string_view("pntext"),
    std::string_view("pntxta"),
    std::string_view("pntxtb"),
    std::string_view("private"),
    std::string_view("revtbl"),
    std::string_view("rsidtbl"),
    std::string_view("shpinst"),
    std::string_view("shptxt"),
    std::string_view("sn"),
    std::string_view("sp"),
    std::string_view("stylesheet"),
    std::string_view("subject"),
    std::string_view("sv"),
    std::string_view("tc"),
    std::string_view("template"),
    std::string_view("themedata"),
    std::string_view("title"),
    std::string_view("txe"),
    std::string_view("userprops"),
    std::string_view("wgrffmtfilter"),
    std::string_view("xe"),
    std::string_view("xmlnstbl"),
};
static_assert(std::is_sorted(kSkippedDestinations.begin(), kSkippedDestinations.end()));

bool IsSkippedDestination(QByteArrayView word)
{
    return std::binary_search(kSkippedDestinations.begin(), kSkippedDestinations.end(),
                              std::string_view(word.data(), std::size_t(word.size())));
}

// The Windows code page of a \fcharset value; 0 when the charset names none.
int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252; // symbol fonts: the bytes are glyph numbers
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

bool IsAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Drops what a text run may not carry: control characters other than the tab,
// paragraph separators (blocks come from \par only) and object replacement
// characters (pictures come from \pict only).
void Sanitize(QString &text)
{
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t') || u == 0x7f || u == 0x2029 || u == 0xfffc;
    });
}

int HalfPoints(bool hasParam, int param)
{
    return hasParam && param > 0 ? std::min(param, 3276) : 24;
}

bool Flag(bool hasParam, int param)
{
    return !hasParam || param != 0;
}

// Where the RTF's outermost group starts, after leading white space; -1 when
// the bytes are no RTF.
qsizetype RtfStart(QByteArrayView rtf)
{
    qsizetype start = 0;
    while (start < rtf.size() && (rtf[start] == ' ' || rtf[start] == '\t' || rtf[start] == '\r' || rtf[start] == '\n'))
        ++start;
    return rtf.sliced(start).startsWith("{\\rtf") ? start : -1;
}

} // namespace

bool CRtfReader::IsRtf(QByteArrayView rtf)
{
    return RtfStart(rtf) >= 0;
}

// The same rules as Parse() with PushGroup() and PopGroup(), on the tokens alone.
bool CRtfReader::IsWhole(QByteArrayView rtf)
{
    const qsizetype start = RtfStart(rtf);
    if (start < 0)
        return false;
    CRtfTokenizer tokenizer(rtf.sliced(start));
    std::size_t depth = 0;
    for (;;) {
        switch (tokenizer.Next()) {
        case ERtfToken::End:
        case ERtfToken::Truncated: return false;
        case ERtfToken::GroupStart:
            if (depth >= kMaxDepth)
                return false;
            ++depth;
            break;
        case ERtfToken::GroupEnd:
            if (depth <= 1)
                return true;
            --depth;
            break;
        default: break;
        }
    }
}

bool CRtfReader::Read(QByteArrayView rtf, QTextDocument &document)
{
    m_bDamaged = false;
    m_nDroppedPictures = 0;
    m_error.clear();
    const qsizetype start = RtfStart(rtf);
    if (start < 0) {
        m_error = QStringLiteral("文件不是 RTF 格式");
        return false;
    }
    // Loading is not an edit: it leaves nothing to undo and no modification.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    // The clear and the load are one edit block, so a view on the document
    // lays the new text out once, as a whole, instead of after every run (a
    // 10 MB transcript kept the window busy for most of a minute).
    QTextCursor block(&document);
    block.beginEditBlock();
    Reset(document);
    CRtfTokenizer tokenizer(rtf.sliced(start));
    const bool complete = Parse(tokenizer);
    Finish();
    block.endEditBlock();
    m_pDocument = nullptr;
    if (!complete) {
        m_bDamaged = true;
        m_error = QStringLiteral("RTF 文件已损坏，只读入了损坏处之前的内容");
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    return true;
}

void CRtfReader::Reset(QTextDocument &document)
{
    *this = CRtfReader();
    m_pDocument = &document;
    document.clear();
    m_cursor = QTextCursor(&document);
}

// Returns false when the input ends before the outermost group closes or is
// damaged in a way that stops reading.
bool CRtfReader::Parse(CRtfTokenizer &tokenizer)
{
    for (;;) {
        const ERtfToken token = tokenizer.Next();
        if (token == ERtfToken::End || token == ERtfToken::Truncated)
            return false;
        if (token == ERtfToken::GroupStart) {
            if (!PushGroup())
                return false;
            continue;
        }
        if (token == ERtfToken::GroupEnd) {
            if (!PopGroup())
                return true; // the outermost group closed: the document is complete
            continue;
        }
        if (m_states.empty())
            return false;
        if (ConsumeFallback(token, tokenizer))
            continue;
        const bool star = std::exchange(m_bStar, false);
        switch (token) {
        case ERtfToken::ControlWord:
            if (star && tokenizer.m_word != "shppict" && tokenizer.m_word != "ud")
                State().eDest = EDestination::Skip;
            else
                OnControlWord(tokenizer.m_word, tokenizer.m_bHasParam, tokenizer.m_nParam);
            break;
        case ERtfToken::ControlSymbol: OnControlSymbol(tokenizer.m_cSymbol); break;
        case ERtfToken::HexByte: OnHexByte(static_cast<char>(tokenizer.m_cByte)); break;
        case ERtfToken::Text: OnText(tokenizer.m_text); break;
        case ERtfToken::Binary: OnBinary(tokenizer.m_text); break;
        default: break;
        }
    }
}

// After \uN the next N units are the fallback for readers without Unicode:
// a byte, a \'hh, a control word or symbol, or a \bin block each count as one.
bool CRtfReader::ConsumeFallback(ERtfToken token, CRtfTokenizer &tokenizer)
{
    if (m_nSkipUnits <= 0)
        return false;
    if (token == ERtfToken::Text) {
        const qsizetype taken = std::min<qsizetype>(m_nSkipUnits, tokenizer.m_text.size());
        m_nSkipUnits -= static_cast<int>(taken);
        const QByteArrayView rest = tokenizer.m_text.sliced(taken);
        if (!rest.isEmpty())
            OnText(rest);
        return true;
    }
    --m_nSkipUnits;
    return true;
}

bool CRtfReader::PushGroup()
{
    m_nSkipUnits = 0;
    m_bStar = false;
    if (m_states.size() >= kMaxDepth)
        return false;
    if (m_states.empty())
        m_states.emplace_back();
    else
        m_states.push_back(m_states.back());
    return true;
}

// Returns false when the outermost group has closed.
bool CRtfReader::PopGroup()
{
    m_nSkipUnits = 0;
    m_bStar = false;
    if (m_states.empty())
        return false;
    const EDestination closed = m_states.back().eDest;
    m_states.pop_back();
    if (m_states.empty())
        return false;
    if (closed == EDestination::Picture && State().eDest != EDestination::Picture)
        FinishPicture();
    if (closed == EDestination::FontTable)
        FinishFontName();
    return true;
}

void CRtfReader::OnControlWord(QByteArrayView word, bool hasParam, int param)
{
    const EDestination dest = State().eDest;
    if (dest == EDestination::Skip)
        return;
    if (dest == EDestination::UprAnsi) {
        if (word == "ud")
            State().eDest = State().eUprOuter;
        return;
    }
    if (word == "u") {
        OnUnicode(param);
        return;
    }
    if (word == "uc") {
        State().nUc = std::clamp(param, 0, 64);
        return;
    }
    if (OnDestinationWord(word))
        return;
    if (dest == EDestination::FontTable) {
        if (word == "f") {
            FinishFontName();
            m_nFontDef = param;
            m_fonts[param];
        } else if (word == "fcharset" && m_nFontDef >= 0) {
            m_fonts[m_nFontDef].nCharset = param;
        }
        return;
    }
    if (dest == EDestination::ColorTable) {
        const int channel = word == "red" ? 0 : word == "green" ? 1 : word == "blue" ? 2 : -1;
        if (channel >= 0) {
            m_rgb[channel] = std::clamp(param, 0, 255);
            m_bColorGiven = true;
        }
        return;
    }
    if (dest == EDestination::Picture) {
        OnPictureWord(word, param);
        return;
    }
    if (word == "ansicpg")
        m_nAnsiCodePage = param;
    else if (word == "deff") {
        m_nDefaultFont = param;
        m_charFormats.clear();
    } else if (word == "mac")
        m_nAnsiCodePage = 10000;
    else if (word == "pc")
        m_nAnsiCodePage = 437;
    else if (word == "pca")
        m_nAnsiCodePage = 850;
    else if (!OnCharacterWord(word, hasParam, param) && !OnParagraphWord(word, param))
        OnSpecialCharacterWord(word);
}

// Words that open a destination; true when the word was one.
bool CRtfReader::OnDestinationWord(QByteArrayView word)
{
    SState &state = State();
    if (word == "fonttbl") {
        state.eDest = EDestination::FontTable;
        m_nFontDef = -1;
    } else if (word == "colortbl") {
        state.eDest = EDestination::ColorTable;
        m_colors.clear();
        m_charFormats.clear();
    } else if (word == "pict") {
        FlushText();
        state.eDest = EDestination::Picture;
        m_picture = SPicture();
    } else if (word == "upr") {
        state.eUprOuter = state.eDest;
        state.eDest = EDestination::UprAnsi;
    } else if (IsSkippedDestination(word)) {
        state.eDest = EDestination::Skip;
    } else {
        return false;
    }
    return true;
}

bool CRtfReader::OnCharacterWord(QByteArrayView word, bool hasParam, int param)
{
    SCharProps &chr = State().chr;
    if (word == "plain")
        chr = SCharProps();
    else if (word == "f")
        chr.nFont = chr.bDoubleByte ? (chr.nDbchFont = param) : param;
    else if (word == "fs")
        chr.nHalfPoints =
            chr.bDoubleByte ? (chr.nDbchHalfPoints = HalfPoints(hasParam, param)) : HalfPoints(hasParam, param);
    else if (word == "af" && chr.bDoubleByte)
        chr.nDbchFont = param;
    else if (word == "afs" && chr.bDoubleByte)
        chr.nDbchHalfPoints = HalfPoints(hasParam, param);
    else if (word == "dbch" || word == "loch" || word == "hich")
        chr.bDoubleByte = word == "dbch";
    else if (word == "b")
        chr.bBold = chr.bDoubleByte ? (chr.nDbchBold = Flag(hasParam, param)) : Flag(hasParam, param);
    else if (word == "i")
        chr.bItalic = chr.bDoubleByte ? (chr.nDbchItalic = Flag(hasParam, param)) : Flag(hasParam, param);
    else if (word == "ab" && chr.bDoubleByte)
        chr.nDbchBold = Flag(hasParam, param);
    else if (word == "ai" && chr.bDoubleByte)
        chr.nDbchItalic = Flag(hasParam, param);
    else if (word == "ulnone")
        chr.bUnderline = false;
    else if (word.startsWith("ul") && word != "ulc")
        chr.bUnderline = word != "ul" || Flag(hasParam, param);
    else if (word == "strike" || word == "striked")
        chr.bStrike = Flag(hasParam, param);
    else if (word == "cf")
        chr.nForeground = std::max(param, 0);
    else if (word == "highlight" || word == "cb" || word == "chcbpat")
        chr.nBackground = std::max(param, 0);
    else
        return false;
    return true;
}

bool CRtfReader::OnParagraphWord(QByteArrayView word, int param)
{
    SParaProps &para = State().para;
    const int twips = std::clamp(param, -kMaxTwips, kMaxTwips);
    if (word == "pard")
        para = SParaProps();
    else if (word == "par" || word == "row" || word == "page" || word == "sect")
        EndParagraph();
    else if (word == "ql")
        para.nAlignment = 0;
    else if (word == "qc")
        para.nAlignment = 1;
    else if (word == "qr")
        para.nAlignment = 2;
    else if (word == "qj")
        para.nAlignment = 3;
    else if (word == "li")
        para.nLeft = twips;
    else if (word == "ri")
        para.nRight = twips;
    else if (word == "fi")
        para.nFirst = twips;
    else if (word == "sb")
        para.nBefore = twips;
    else if (word == "sa")
        para.nAfter = twips;
    else
        return false;
    return true;
}

bool CRtfReader::OnSpecialCharacterWord(QByteArrayView word)
{
    static constexpr std::pair<std::string_view, char16_t> characters[] = {
        {"line", u'\x2028'},      {"tab", u'\t'},        {"cell", u'\t'},        {"emdash", u'\x2014'},
        {"endash", u'\x2013'},    {"lquote", u'\x2018'}, {"rquote", u'\x2019'},  {"ldblquote", u'\x201c'},
        {"rdblquote", u'\x201d'}, {"bullet", u'\x2022'}, {"emspace", u'\x2003'}, {"enspace", u'\x2002'}};
    const std::string_view name(word.data(), std::size_t(word.size()));
    const auto it = std::find_if(std::begin(characters), std::end(characters),
                                 [name](const auto &character) { return character.first == name; });
    if (it == std::end(characters))
        return false;
    AppendChars(QString(QChar(it->second)));
    return true;
}

void CRtfReader::OnPictureWord(QByteArrayView word, int param)
{
    if (word == "pngblip")
        m_picture.format = "PNG";
    else if (word == "jpegblip")
        m_picture.format = "JPEG";
    else if (word == "emfblip" || word == "wmetafile" || word == "macpict" || word == "dibitmap" || word == "wbitmap")
        m_picture.format.clear();
    else if (word == "picw")
        m_picture.nWidth = param;
    else if (word == "pich")
        m_picture.nHeight = param;
    else if (word == "picwgoal")
        m_picture.nWidthGoal = param;
    else if (word == "pichgoal")
        m_picture.nHeightGoal = param;
    else if (word == "picscalex")
        m_picture.nScaleX = param;
    else if (word == "picscaley")
        m_picture.nScaleY = param;
}

void CRtfReader::OnControlSymbol(char symbol)
{
    switch (symbol) {
    case '*': m_bStar = true; return;
    case '\\':
    case '{':
    case '}': OnText(QByteArrayView(&symbol, 1)); return;
    case '\n':
        if (State().eDest == EDestination::Text)
            EndParagraph();
        return;
    default: break;
    }
    if (State().eDest != EDestination::Text)
        return;
    if (symbol == '~')
        AppendChars(QString(QChar(0x00a0)));
    else if (symbol == '-')
        AppendChars(QString(QChar(0x00ad)));
    else if (symbol == '_')
        AppendChars(QString(QChar(0x2011)));
}

void CRtfReader::OnText(QByteArrayView text)
{
    switch (State().eDest) {
    case EDestination::Text: AppendBytes(text); break;
    case EDestination::FontTable: OnFontTableText(text); break;
    case EDestination::ColorTable: OnColorTableText(text); break;
    case EDestination::Picture: AppendPictureHex(text); break;
    default: break;
    }
}

// A byte given as \'hh is always content: in a font name it never ends the name.
void CRtfReader::OnHexByte(char byte)
{
    const EDestination dest = State().eDest;
    if (dest == EDestination::FontTable && m_nFontDef >= 0)
        m_fontNameBytes.append(byte);
    else if (dest == EDestination::Text)
        AppendBytes(QByteArrayView(&byte, 1));
}

void CRtfReader::OnBinary(QByteArrayView data)
{
    if (State().eDest != EDestination::Picture || m_picture.bTooLarge)
        return;
    if (m_picture.data.size() + data.size() > kMaxPictureBytes) {
        m_picture.bTooLarge = true;
        return;
    }
    m_picture.data.append(data);
}

void CRtfReader::OnUnicode(int value)
{
    m_nSkipUnits = State().nUc;
    if (value < -32768 || value > 65535)
        return; // not a UTF-16 unit; its fallback is still skipped
    const auto unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
    if (State().eDest == EDestination::FontTable) {
        m_fontName +=
            m_fontNameBytes.isEmpty() ? QString() : DecodeCodePage(m_fontNameBytes, CodePageOfFont(m_nFontDef));
        m_fontNameBytes.clear();
        m_fontName += QChar(unit);
        return;
    }
    if (State().eDest != EDestination::Text)
        return;
    if (QChar::isHighSurrogate(unit)) {
        FlushSurrogate();
        m_highSurrogate = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (m_highSurrogate == 0) {
            AppendChars(QString(QChar(QChar::ReplacementCharacter)));
            return;
        }
        const QChar pair[2] = {QChar(std::exchange(m_highSurrogate, char16_t(0))), QChar(unit)};
        AppendChars(QString(pair, 2));
        return;
    }
    QString text{QChar(unit)};
    Sanitize(text);
    AppendChars(text);
}

void CRtfReader::OnFontTableText(QByteArrayView text)
{
    if (m_nFontDef < 0)
        return;
    for (const char c : text) {
        if (c == ';')
            FinishFontName();
        else
            m_fontNameBytes.append(c);
    }
}

void CRtfReader::FinishFontName()
{
    if (m_nFontDef < 0)
        return;
    QString name = m_fontName;
    if (!m_fontNameBytes.isEmpty())
        name += IsAscii(m_fontNameBytes) ? QString::fromLatin1(m_fontNameBytes)
                                         : DecodeCodePage(m_fontNameBytes, CodePageOfFont(m_nFontDef));
    name = name.trimmed();
    if (!name.isEmpty())
        m_fonts[m_nFontDef].name = name;
    m_charFormats.clear();
    m_fontName.clear();
    m_fontNameBytes.clear();
}

void CRtfReader::OnColorTableText(QByteArrayView text)
{
    for (const char c : text) {
        if (c != ';')
            continue;
        m_colors.append(m_bColorGiven ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
        m_charFormats.clear();
        m_rgb[0] = m_rgb[1] = m_rgb[2] = 0;
        m_bColorGiven = false;
    }
}

void CRtfReader::AppendPictureHex(QByteArrayView text)
{
    if (m_picture.bTooLarge || m_picture.format.isEmpty())
        return;
    for (const char c : text) {
        int value = -1;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        if (value < 0)
            continue;
        if (m_picture.nPendingNibble < 0) {
            m_picture.nPendingNibble = value;
            continue;
        }
        m_picture.data.append(static_cast<char>(m_picture.nPendingNibble * 16 + value));
        m_picture.nPendingNibble = -1;
    }
    if (m_picture.data.size() > kMaxPictureBytes)
        m_picture.bTooLarge = true;
}

void CRtfReader::FinishPicture()
{
    const SPicture picture = std::exchange(m_picture, SPicture());
    QImage image;
    if (picture.format.isEmpty() || picture.bTooLarge || picture.data.isEmpty() ||
        !image.loadFromData(picture.data, picture.format.constData()) || image.isNull()) {
        ++m_nDroppedPictures;
        return;
    }
    const auto shown = [](int goal, int scale, int natural) {
        const double percent = scale > 0 ? std::min(scale, 10000) : 100;
        const double pixels = goal > 0 ? double(std::min(goal, kMaxTwips)) / kTwipsPerPixel : natural;
        return std::clamp(pixels * percent / 100.0, 1.0, double(kMaxPicturePixels));
    };
    QTextImageFormat format;
    format.setName(QStringLiteral("rtf-image:%1").arg(++m_nImages));
    format.setWidth(shown(picture.nWidthGoal, picture.nScaleX, image.width()));
    format.setHeight(shown(picture.nHeightGoal, picture.nScaleY, image.height()));
    m_pDocument->addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
    FlushText();
    EnsureBlock();
    m_lastPara = State().para;
    m_cursor.insertImage(format);
}

int CRtfReader::CodePageOfFont(int font) const
{
    const auto it = m_fonts.constFind(font < 0 ? m_nDefaultFont : font);
    if (it != m_fonts.constEnd()) {
        const int codePage = CodePageOfCharset(it->nCharset);
        if (codePage != 0)
            return codePage;
    }
    return m_nAnsiCodePage;
}

// Makes the text buffer ready for content in the current character format.
void CRtfReader::PrepareText()
{
    FlushSurrogate();
    if (!(State().chr == m_textProps)) {
        FlushText();
        m_textProps = State().chr;
    }
    m_lastPara = State().para;
}

void CRtfReader::AppendBytes(QByteArrayView bytes)
{
    PrepareText();
    const int codePage = CodePageOfFont(State().chr.Font());
    if (codePage != m_nPendingCodePage)
        DecodePendingBytes();
    m_nPendingCodePage = codePage;
    m_pendingBytes.append(bytes);
}

void CRtfReader::AppendChars(const QString &text)
{
    PrepareText();
    DecodePendingBytes();
    m_text += text;
}

void CRtfReader::DecodePendingBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    QString text = IsAscii(m_pendingBytes) ? QString::fromLatin1(m_pendingBytes)
                                           : DecodeCodePage(m_pendingBytes, m_nPendingCodePage);
    m_pendingBytes.clear();
    Sanitize(text);
    m_text += text;
}

void CRtfReader::FlushSurrogate()
{
    if (m_highSurrogate == 0)
        return;
    m_highSurrogate = 0;
    DecodePendingBytes();
    m_text += QChar(QChar::ReplacementCharacter);
}

void CRtfReader::FlushText()
{
    DecodePendingBytes();
    if (m_text.isEmpty())
        return;
    EnsureBlock();
    m_cursor.insertText(m_text, CharFormat(m_textProps));
    m_text.clear();
}

void CRtfReader::EnsureBlock()
{
    if (!m_bBlockPending)
        return;
    m_bBlockPending = false;
    m_cursor.insertBlock();
}

void CRtfReader::EndParagraph()
{
    FlushSurrogate();
    FlushText();
    EnsureBlock();
    SetBlockFormat(State().para);
    if (m_cursor.block().length() == 1)
        m_cursor.setBlockCharFormat(CharFormat(State().chr));
    m_bBlockPending = true;
}

void CRtfReader::Finish()
{
    if (!m_states.empty())
        FlushSurrogate();
    FlushText();
    if (!m_bBlockPending && !m_cursor.isNull() && m_cursor.block().length() > 1)
        SetBlockFormat(m_lastPara);
    m_states.clear();
}

const QTextCharFormat &CRtfReader::CharFormat(const SCharProps &props)
{
    constexpr std::size_t kMaxFormats = 32; // far more than a transcript uses
    const auto it = std::find_if(m_charFormats.begin(), m_charFormats.end(),
                                 [&props](const auto &made) { return made.first == props; });
    if (it != m_charFormats.end())
        return it->second;
    if (m_charFormats.size() >= kMaxFormats)
        m_charFormats.clear();
    return m_charFormats.emplace_back(props, MakeCharFormat(props)).second;
}

QTextCharFormat CRtfReader::MakeCharFormat(const SCharProps &props) const
{
    QTextCharFormat format;
    const auto font = m_fonts.constFind(props.Font() < 0 ? m_nDefaultFont : props.Font());
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        format.setFontFamilies(QStringList{font->name});
    format.setFontPointSize(props.HalfPoints() / 2.0);
    format.setFontWeight(props.Bold() ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.Italic());
    format.setFontUnderline(props.bUnderline);
    format.setFontStrikeOut(props.bStrike);
    const auto color = [this](int index) { return index > 0 && index < m_colors.size() ? m_colors[index] : QColor(); };
    if (const QColor foreground = color(props.nForeground); foreground.isValid())
        format.setForeground(foreground);
    if (const QColor background = color(props.nBackground); background.isValid())
        format.setBackground(background);
    return format;
}

const QTextBlockFormat &CRtfReader::BlockFormat(const SParaProps &props)
{
    constexpr std::size_t kMaxFormats = 32;
    const auto it = std::find_if(m_blockFormats.begin(), m_blockFormats.end(),
                                 [&props](const auto &made) { return made.first == props; });
    if (it != m_blockFormats.end())
        return it->second;
    if (m_blockFormats.size() >= kMaxFormats)
        m_blockFormats.clear();
    return m_blockFormats.emplace_back(props, MakeBlockFormat(props)).second;
}

// The cursor's block takes the paragraph's format, unless it has it already.
void CRtfReader::SetBlockFormat(const SParaProps &props)
{
    if (m_blockProps == props)
        return;
    m_cursor.setBlockFormat(BlockFormat(props));
    m_blockProps = props;
}

QTextBlockFormat CRtfReader::MakeBlockFormat(const SParaProps &props)
{
    static constexpr Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    QTextBlockFormat format;
    format.setAlignment(alignments[props.nAlignment]);
    format.setLeftMargin(double(props.nLeft) / kTwipsPerPixel);
    format.setRightMargin(double(props.nRight) / kTwipsPerPixel);
    format.setTextIndent(double(props.nFirst) / kTwipsPerPixel);
    format.setTopMargin(double(props.nBefore) / kTwipsPerPixel);
    format.setBottomMargin(double(props.nAfter) / kTwipsPerPixel);
    return format;
}

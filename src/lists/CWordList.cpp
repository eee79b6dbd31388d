#include "lists/CWordList.h"

namespace
{

bool IsHan(char32_t c)
{
    return (c >= 0x3400 && c <= 0x4DBF)      // extension A
           || (c >= 0x4E00 && c <= 0x9FFF)   // unified ideographs
           || (c >= 0xF900 && c <= 0xFAFF)   // compatibility ideographs
           || (c >= 0x20000 && c <= 0x2FA1F) // extensions B to F, compatibility supplement
           || (c >= 0x30000 && c <= 0x323AF) // extensions G and H
           || c == 0x3007;                   // 〇
}

bool IsKana(char32_t c)
{
    return (c >= 0x3041 && c <= 0x309F)     // hiragana
           || (c >= 0x30A0 && c <= 0x30FF)  // katakana, the long vowel mark included
           || (c >= 0x31F0 && c <= 0x31FF)  // katakana phonetic extensions
           || (c >= 0xFF66 && c <= 0xFF9F); // half-width katakana
}

bool IsSeparator(char32_t c)
{
    return QChar::isSpace(c) || QChar::category(c) == QChar::Punctuation_Dash;
}

// Letters, digits and marks make a word's key; everything else is left out.
bool CountsInKey(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// The code point at i and how many UTF-16 units it takes.
std::pair<char32_t, qsizetype> CodePointAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text[i + 1]), 2};
    return {c.unicode(), 1};
}

class CSplitter
{
public:
    explicit CSplitter(const QString &text) : m_text(text) {}

    std::vector<CWord> Run()
    {
        for (qsizetype i = 0; i < m_text.size();) {
            const auto [c, units] = CodePointAt(m_text, i);
            if (IsSeparator(c)) {
                Finish(i);
            } else if (IsHan(c) || IsKana(c)) {
                Finish(i);
                m_start = i;
                Finish(i + units);
            } else if (m_start < 0) {
                m_start = i;
            }
            i += units;
        }
        Finish(m_text.size());
        return std::move(m_words);
    }

private:
    // Ends the word being read (if any) before index end.
    void Finish(qsizetype end)
    {
        if (m_start < 0)
            return;
        const QStringView piece = QStringView(m_text).mid(m_start, end - m_start);
        QString key = CWordList::KeyOf(piece);
        if (!key.isEmpty())
            m_words.push_back({m_start, end - m_start, piece.toString(), std::move(key)});
        m_start = -1;
    }

    const QString &m_text;
    qsizetype m_start = -1;
    std::vector<CWord> m_words;
};

} // namespace

std::vector<CWord> CWordList::Split(const QString &text)
{
    return CSplitter(text).Run();
}

QString CWordList::KeyOf(QStringView text)
{
    QString key;
    key.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const auto [code, units] = CodePointAt(text, i);
        if (CountsInKey(code))
            key.append(text.mid(i, units));
        i += units;
    }
    return key.toCaseFolded();
}

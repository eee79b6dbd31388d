#include "editor/CRtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace
{

constexpr int kMaxWordLength = 32; // longer words are cut; they are unknown anyway
constexpr int kMaxParamDigits = 10;

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

ERtfToken CRtfTokenizer::Next()
{
    while (m_nPos < m_data.size()) {
        const char c = m_data[m_nPos];
        if (c == '{') {
            ++m_nPos;
            return ERtfToken::GroupStart;
        }
        if (c == '}') {
            ++m_nPos;
            return ERtfToken::GroupEnd;
        }
        if (c == '\\')
            return ReadControl();
        if (c == '\r' || c == '\n') {
            ++m_nPos;
            continue;
        }
        return ReadText();
    }
    return ERtfToken::End;
}

ERtfToken CRtfTokenizer::ReadControl()
{
    ++m_nPos; // the backslash
    if (m_nPos >= m_data.size())
        return ERtfToken::End;
    const char c = m_data[m_nPos];
    if (IsLetter(c))
        return ReadControlWord();
    ++m_nPos;
    if (c == '\'') {
        if (m_nPos + 2 > m_data.size())
            return ERtfToken::Truncated;
        const int high = HexValue(m_data[m_nPos]);
        const int low = HexValue(m_data[m_nPos + 1]);
        m_nPos += 2;
        // A malformed escape still counts as one byte so fallback skipping stays in step.
        m_cByte = static_cast<unsigned char>(high < 0 || low < 0 ? '?' : high * 16 + low);
        return ERtfToken::HexByte;
    }
    m_cSymbol = (c == '\r') ? '\n' : c;
    if (c == '\r' && m_nPos < m_data.size() && m_data[m_nPos] == '\n')
        ++m_nPos;
    return ERtfToken::ControlSymbol;
}

ERtfToken CRtfTokenizer::ReadControlWord()
{
    const qsizetype start = m_nPos;
    while (m_nPos < m_data.size() && IsLetter(m_data[m_nPos]))
        ++m_nPos;
    m_word = m_data.sliced(start, std::min<qsizetype>(m_nPos - start, kMaxWordLength));

    bool negative = false;
    if (m_nPos + 1 < m_data.size() && m_data[m_nPos] == '-' && IsDigit(m_data[m_nPos + 1])) {
        negative = true;
        ++m_nPos;
    }
    m_bHasParam = m_nPos < m_data.size() && IsDigit(m_data[m_nPos]);
    long long value = 0;
    int digits = 0;
    while (m_nPos < m_data.size() && IsDigit(m_data[m_nPos])) {
        if (digits++ < kMaxParamDigits)
            value = value * 10 + (m_data[m_nPos] - '0');
        ++m_nPos;
    }
    if (negative)
        value = -value;
    value = std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    m_nParam = static_cast<int>(value);

    if (m_nPos < m_data.size() && m_data[m_nPos] == ' ')
        ++m_nPos; // the delimiter belongs to the word
    if (m_word == "bin")
        return ReadBinary();
    return ERtfToken::ControlWord;
}

ERtfToken CRtfTokenizer::ReadBinary()
{
    const qsizetype length = m_bHasParam && m_nParam > 0 ? m_nParam : 0;
    if (length > m_data.size() - m_nPos) {
        m_nPos = m_data.size();
        return ERtfToken::Truncated;
    }
    m_text = m_data.sliced(m_nPos, length);
    m_nPos += length;
    return ERtfToken::Binary;
}

ERtfToken CRtfTokenizer::ReadText()
{
    const qsizetype start = m_nPos;
    while (m_nPos < m_data.size()) {
        const char c = m_data[m_nPos];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n')
            break;
        ++m_nPos;
    }
    m_text = m_data.sliced(start, m_nPos - start);
    return ERtfToken::Text;
}

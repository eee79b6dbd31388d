#include "lists/CLrcFile.h"

#include "base/CodePage.h"

#include <QFile>
#include <algorithm>

namespace
{

// Puts each "[" that follows neither "]" nor a line feed on a line of its own,
// so "[00:01.00]one[00:02.00]two" becomes two lines while adjacent tags stay
// together. The first character is never examined.
QString SplitFusedTags(const QString &text)
{
    QString split;
    split.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (i > 0 && c == QLatin1Char('[') && text[i - 1] != QLatin1Char(']') && text[i - 1] != QLatin1Char('\n'))
            split += QStringLiteral("\r\n");
        split += c;
    }
    return split;
}

qsizetype CountDigits(const QString &line)
{
    return std::count_if(line.cbegin(), line.cend(),
                         [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The time of a tag whose "[" stands at c, from the character codes of
// mm?ss?hh; the separators are not examined and the others need not be digits.
// Wraps like 32-bit arithmetic for characters that are not digits.
std::uint32_t TagTime(const QString &line, qsizetype c)
{
    const auto d = [&](int k) { return static_cast<std::int64_t>(line[c + k].unicode()) - '0'; };
    const std::int64_t time = (d(1) * 10 + d(2)) * 6000 + (d(4) * 10 + d(5)) * 100 + d(7) * 10 + d(8);
    return static_cast<std::uint32_t>(time);
}

// Calls onLine with each non-empty line of text, line ends (CR, LF) removed.
template <typename OnLine> void ForEachLine(const QString &text, OnLine onLine)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        if (end > start)
            onLine(text.mid(start, end - start));
        start = end + 1;
    }
}

// What a line says after the bracketed tags it starts with, trimmed.
QString TextAfterTags(const QString &line)
{
    QStringView rest = QStringView(line).trimmed();
    while (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            break;
        rest = rest.mid(close + 1).trimmed();
    }
    return rest.toString();
}

constexpr qsizetype kTagSpan = 9; // "]" stands 9 positions after "["
constexpr qsizetype kMinDigitsOnLine = 6;

} // namespace

bool CLrcFile::Load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;
    const QByteArray bytes = file.read(file.size());
    if (!bytes.isEmpty())
        AddTagsFromText(DecodeLearnerText(bytes));
    return true;
}

void CLrcFile::AddTagsFromText(const QString &text)
{
    std::vector<std::uint32_t> times;
    ForEachLine(SplitFusedTags(text), [&](const QString &line) { AddTagsOfLine(line, times); });
    InsertSorted(std::move(times));
}

bool CLrcFile::LoadTimedText(const QString &path, std::vector<CTimedText> &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;
    lines = TimedTextFromText(DecodeLearnerText(file.read(file.size())));
    return true;
}

std::vector<CTimedText> CLrcFile::TimedTextFromText(const QString &text)
{
    // The tags of each line are read by the store's own rules, so the times
    // here are the times the store would hold.
    CLrcFile reader;
    std::vector<CTimedText> lines;
    ForEachLine(SplitFusedTags(text), [&](const QString &line) {
        std::vector<std::uint32_t> times;
        reader.AddTagsOfLine(line, times);
        if (times.empty())
            return;
        const QString lineText = TextAfterTags(line);
        for (const std::uint32_t time : times)
            lines.push_back({time, lineText});
    });
    // Stable, like the store's merge: equal times keep the order of the file.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const CTimedText &a, const CTimedText &b) { return a.m_dwTime < b.m_dwTime; });
    return lines;
}

void CLrcFile::AddTagsOfLine(QString line, std::vector<std::uint32_t> &times)
{
    line.remove(QLatin1Char(' '));
    line.remove(QLatin1Char('\t'));
    qsizetype open = line.indexOf(QLatin1Char('['));
    if (open < 0)
        return;
    const bool enoughDigits = CountDigits(line) >= kMinDigitsOnLine;
    int accepted = 0;
    while (open >= 0) {
        const qsizetype close = line.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0)
            break;
        if (close - open == kTagSpan && enoughDigits) {
            if (accepted == kMaxTagsPerLine)
                break;
            times.push_back(TagTime(line, open));
            ++accepted;
        }
        open = line.indexOf(QLatin1Char('['), close + 1);
    }
}

void CLrcFile::InsertSorted(std::vector<std::uint32_t> times)
{
    // Equal times are alike, so sorting the new times and merging them in
    // stores what inserting each before the first time not less than it
    // would, without moving the store once per tag (a file in descending
    // order would take quadratic time).
    std::sort(times.begin(), times.end());
    const auto middle = m_times.insert(m_times.end(), times.begin(), times.end());
    std::inplace_merge(m_times.begin(), middle, m_times.end());
}

std::vector<CSelectionSpan> SelectionsFromTags(const CLrcFile &store, std::uint32_t mediaLengthMs)
{
    std::vector<CSelectionSpan> rows;
    const int count = store.GetCount();
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i + 1 < count; ++i)
        rows.push_back({store.GetAt(i) * 10u, store.GetAt(i + 1) * 10u});
    if (count >= 1)
        rows.push_back({store.GetAt(count - 1) * 10u, mediaLengthMs});
    return rows;
}

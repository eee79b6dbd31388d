#include "lists/CSubtitleFile.h"

#include "base/CodePage.h"
#include "base/MediaPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace
{

QString DecodeSubtitleBytes(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE)(bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE)(bytes.sliced(2));
    return DecodeLearnerText(bytes);
}

// The lines of text, without their line ends (CR LF, CR or LF).
std::vector<QStringView> SplitLines(QStringView text)
{
    std::vector<QStringView> lines;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        lines.push_back(text.mid(start, end - start));
        if (end + 1 < text.size() && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return lines;
}

// Reads the decimal digits at pos, at most maxDigits of them; nullopt when
// there is none.
std::optional<std::uint64_t> ReadNumber(QStringView text, qsizetype &pos, int maxDigits)
{
    std::uint64_t value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && text[pos].isDigit() && text[pos].unicode() < 128) {
        value = value * 10 + (text[pos].unicode() - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

// A cue time "hh:mm:ss.mmm", "mm:ss.mmm" (WebVTT's short form) or the SRT form
// with a comma, in milliseconds. The fraction may have one to three digits.
std::optional<std::uint32_t> ParseCueTime(QStringView text)
{
    std::uint64_t fields[3] = {};
    int count = 0;
    qsizetype pos = 0;
    for (;;) {
        const std::optional<std::uint64_t> field = ReadNumber(text, pos, 9);
        if (!field || count == 3)
            return std::nullopt;
        fields[count++] = *field;
        if (pos < text.size() && text[pos] == QLatin1Char(':'))
            ++pos;
        else
            break;
    }
    if (count < 2 || pos >= text.size() || (text[pos] != QLatin1Char('.') && text[pos] != QLatin1Char(',')))
        return std::nullopt;
    ++pos;
    const qsizetype fractionStart = pos;
    const std::optional<std::uint64_t> fraction = ReadNumber(text, pos, 3);
    if (!fraction || pos != text.size())
        return std::nullopt;
    std::uint64_t millis = *fraction;
    for (qsizetype digits = pos - fractionStart; digits < 3; ++digits)
        millis *= 10;
    const std::uint64_t hours = count == 3 ? fields[0] : 0;
    const std::uint64_t minutes = fields[count - 2];
    const std::uint64_t seconds = fields[count - 1];
    const std::uint64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
    if (total > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(total);
}

struct CCueTimes {
    std::uint32_t m_dwStartMs;
    std::uint32_t m_dwEndMs;
};

// "start --> end", anything after the end's time (WebVTT cue settings) ignored.
std::optional<CCueTimes> ParseTimingLine(QStringView line)
{
    const qsizetype arrow = line.indexOf(QLatin1String("-->"));
    if (arrow < 0)
        return std::nullopt;
    const QStringView after = line.mid(arrow + 3).trimmed();
    qsizetype endOfTime = 0;
    while (endOfTime < after.size() && !after[endOfTime].isSpace())
        ++endOfTime;
    const std::optional<std::uint32_t> start = ParseCueTime(line.left(arrow).trimmed());
    const std::optional<std::uint32_t> end = ParseCueTime(after.left(endOfTime));
    if (!start || !end)
        return std::nullopt;
    return CCueTimes{*start, std::max(*start, *end)};
}

// Removes "<...>" tags (italics, fonts, WebVTT classes, voices, timestamps)
// and "{\...}" style overrides; a "<" or "{\" that is never closed stays.
QString StripMarkup(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype close = -1;
        if (text[pos] == QLatin1Char('<'))
            close = text.indexOf(QLatin1Char('>'), pos + 1);
        else if (text[pos] == QLatin1Char('{') && pos + 1 < text.size() && text[pos + 1] == QLatin1Char('\\'))
            close = text.indexOf(QLatin1Char('}'), pos + 2);
        if (close < 0) {
            plain += text[pos++];
            continue;
        }
        pos = close + 1;
    }
    return plain;
}

// The character references WebVTT writes for characters that would be markup.
QString DecodeEntities(QString text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&lrm;"), QString());
    text.replace(QLatin1String("&rlm;"), QString());
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QString CueText(const QStringList &lines)
{
    return DecodeEntities(StripMarkup(lines.join(QLatin1Char(' ')))).simplified();
}

// Collects cues line by line: a timing line starts a cue, its text runs to the
// next blank line (or timing line). Every other line is passed over: cue
// numbers and identifiers, and WebVTT's header, NOTE, STYLE and REGION blocks,
// which hold no "-->" and so never start a cue.
class CCueCollector
{
public:
    void AddLine(QStringView line)
    {
        const bool blank = line.trimmed().isEmpty();
        if (const std::optional<CCueTimes> times = blank ? std::nullopt : ParseTimingLine(line)) {
            FinishCue();
            m_cue = times;
        } else if (blank) {
            FinishCue();
        } else if (m_cue) {
            m_lines.append(line.toString());
        }
    }

    std::vector<CReferenceStretch> TakeStretches()
    {
        FinishCue();
        std::stable_sort(
            m_stretches.begin(), m_stretches.end(),
            [](const CReferenceStretch &a, const CReferenceStretch &b) { return a.m_dwStartMs < b.m_dwStartMs; });
        return std::move(m_stretches);
    }

private:
    void FinishCue()
    {
        if (m_cue) {
            QString text = CueText(m_lines);
            if (!text.isEmpty())
                m_stretches.push_back({m_cue->m_dwStartMs, m_cue->m_dwEndMs, std::move(text)});
        }
        m_cue.reset();
        m_lines.clear();
    }

    std::optional<CCueTimes> m_cue; // the cue being read, if any
    QStringList m_lines;
    std::vector<CReferenceStretch> m_stretches;
};

} // namespace

std::vector<CReferenceStretch> CSubtitleFile::FromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return FromBytes(bytes);
}

std::vector<CReferenceStretch> CSubtitleFile::FromBytes(QByteArrayView bytes)
{
    return FromText(DecodeSubtitleBytes(bytes));
}

std::vector<CReferenceStretch> CSubtitleFile::FromText(const QString &text)
{
    QStringView view(text);
    if (view.startsWith(QChar(0xFEFF)))
        view = view.sliced(1);
    CCueCollector collector;
    for (const QStringView line : SplitLines(view))
        collector.AddLine(line);
    return collector.TakeStretches();
}

QString CSubtitleFile::PathFor(const QString &mediaPath)
{
    const QString lrcPath = MediaLrcPath(mediaPath);
    if (lrcPath.isEmpty())
        return {};
    const QString stem = lrcPath.chopped(4);
    for (const QLatin1String extension : {QLatin1String(".srt"), QLatin1String(".vtt")}) {
        if (QFileInfo(stem + extension).isFile())
            return stem + extension;
    }
    return {};
}

#include "app/CIniProfile.h"

#include "base/CAtomicFile.h"
#include "base/CodePage.h"

#include <QFile>
#include <cstring>
#include <limits>

namespace
{

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[name]" gives name; anything else gives a null string.
QString SectionName(QStringView text)
{
    text = text.trimmed();
    if (text.size() < 2 || !text.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    const QStringView name = close < 0 ? QStringView() : text.sliced(1, close - 1).trimmed();
    return name.isEmpty() ? QString() : name.toString();
}

int ParseLeadingInt(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    std::int64_t value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            break; // past 32 bits nothing more can change the wrapped result sensibly
    }
    // Wraps like the 32-bit integer the value is stored in.
    return static_cast<int>(static_cast<std::uint32_t>(negative ? -value : value));
}

} // namespace

CIniProfile::CIniProfile(const QString &path) : m_strPath(path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        Parse(file.readAll());
}

void CIniProfile::Parse(QByteArrayView bytes)
{
    m_sections.clear();
    m_sections.push_back({});
    // The file is written back with the line ends it came with. Carriage
    // returns at the end of a line belong to its line end, never to its text.
    const qsizetype firstLineEnd = bytes.indexOf('\n');
    m_bCrLf = firstLineEnd > 0 && bytes[firstLineEnd - 1] == '\r';
    const QString text = DecodeLearnerText(bytes);
    for (QStringView raw : QStringView(text).split(QLatin1Char('\n'))) {
        while (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        const QString name = SectionName(raw);
        if (!name.isNull()) {
            m_sections.push_back({name, raw.toString(), {}});
            continue;
        }
        const qsizetype equals = raw.indexOf(QLatin1Char('='));
        const bool isComment = raw.trimmed().startsWith(QLatin1Char(';'));
        QString key = equals > 0 && !isComment ? raw.first(equals).trimmed().toString() : QString();
        m_sections.back().m_lines.push_back({key, raw.toString()});
    }
    // The split leaves one empty piece after a final line end.
    auto &last = m_sections.back().m_lines;
    if (!last.empty() && last.back().m_strText.isEmpty() && last.back().m_strKey.isEmpty())
        last.pop_back();
}

const CIniProfile::Line *CIniProfile::FindLine(const QString &section, const QString &key) const
{
    for (const Section &s : m_sections) {
        if (s.m_strName.isEmpty() || !SameName(s.m_strName, section))
            continue;
        for (const Line &line : s.m_lines) {
            if (!line.m_strKey.isEmpty() && SameName(line.m_strKey, key))
                return &line;
        }
    }
    return nullptr;
}

QString CIniProfile::GetProfileString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const Line *line = FindLine(section, key);
    if (!line)
        return defaultValue;
    return line->m_strText.mid(line->m_strText.indexOf(QLatin1Char('=')) + 1).trimmed();
}

int CIniProfile::GetProfileInt(const QString &section, const QString &key, int defaultValue) const
{
    const Line *line = FindLine(section, key);
    return line ? ParseLeadingInt(GetProfileString(section, key)) : defaultValue;
}

CIniProfile::Section &CIniProfile::SectionFor(const QString &name)
{
    for (Section &s : m_sections) {
        if (!s.m_strName.isEmpty() && SameName(s.m_strName, name))
            return s;
    }
    if (m_sections.empty())
        m_sections.push_back({});
    m_sections.push_back({name, QLatin1Char('[') + name + QLatin1Char(']'), {}});
    return m_sections.back();
}

void CIniProfile::WriteProfileString(const QString &section, const QString &key, const QString &value)
{
    Section &s = SectionFor(section);
    const QString text = key + QLatin1Char('=') + value;
    for (Line &line : s.m_lines) {
        if (!line.m_strKey.isEmpty() && SameName(line.m_strKey, key)) {
            line.m_strText = text;
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    auto insertAt = s.m_lines.end();
    while (insertAt != s.m_lines.begin() && std::prev(insertAt)->m_strText.trimmed().isEmpty())
        --insertAt;
    s.m_lines.insert(insertAt, {key, text});
}

void CIniProfile::WriteProfileInt(const QString &section, const QString &key, int value)
{
    WriteProfileString(section, key, QString::number(value));
}

QByteArray CIniProfile::Serialize() const
{
    const QString lineEnd = m_bCrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const Section &s : m_sections) {
        if (!s.m_strName.isEmpty())
            text += s.m_strHeader + lineEnd;
        for (const Line &line : s.m_lines)
            text += line.m_strText + lineEnd;
    }
    return text.toUtf8();
}

CResult CIniProfile::Flush() const
{
    CAtomicFile file(m_strPath);
    if (CResult opened = file.Open(); !opened)
        return opened;
    if (CResult written = file.Write(Serialize()); !written)
        return written;
    return file.Commit();
}

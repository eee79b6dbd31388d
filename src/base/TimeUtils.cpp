#include "base/TimeUtils.h"

#include <QRegularExpression>

QString FormatMinSec(std::uint32_t seconds)
{
    const std::uint32_t minutes = (seconds / 60) % 60;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString FormatMinSecOfMs(std::uint32_t milliseconds)
{
    return FormatMinSec(milliseconds / 1000);
}

QString FormatTimestamp(std::uint32_t milliseconds)
{
    const std::uint32_t seconds = milliseconds / 1000;
    if (seconds < 3600)
        return QStringLiteral("[%1]").arg(FormatMinSec(seconds));
    return QStringLiteral("[%1:%2]").arg(seconds / 3600).arg(FormatMinSec(seconds));
}

std::optional<std::uint32_t> TimestampAt(const QString &text, qsizetype index)
{
    static const QRegularExpression timestamp(QStringLiteral(R"(\[(?:(\d{1,3}):)?(\d{1,4}):(\d{2})\])"));
    for (auto match = timestamp.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        if (index < found.capturedStart() || index >= found.capturedEnd())
            continue;
        const std::uint32_t hours = found.captured(1).toUInt();
        const std::uint32_t minutes = found.captured(2).toUInt();
        const std::uint32_t seconds = found.captured(3).toUInt();
        if (seconds > 59 || (found.hasCaptured(1) && minutes > 59))
            return std::nullopt;
        return ((hours * 60 + minutes) * 60 + seconds) * 1000;
    }
    return std::nullopt;
}

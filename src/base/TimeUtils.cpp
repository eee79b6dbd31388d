#include "base/TimeUtils.h"

QString FormatMinSec(std::uint32_t seconds)
{
    const std::uint32_t minutes = (seconds / 60) % 60;
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString FormatMinSecOfMs(std::uint32_t milliseconds)
{
    return FormatMinSec(milliseconds / 1000);
}

#include "app/CWindowPlacement.h"

#include <QStringList>
#include <cstdio>

std::optional<SWindowPlacement> SWindowPlacement::Parse(const QString &text)
{
    SWindowPlacement placement;
    const QByteArray bytes = text.toLatin1();
    const int read = std::sscanf(bytes.constData(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &placement.flags,
                                 &placement.showCmd, &placement.minX, &placement.minY, &placement.maxX, &placement.maxY,
                                 &placement.left, &placement.top, &placement.right, &placement.bottom);
    if (read != 10)
        return std::nullopt;
    return placement;
}

QString SWindowPlacement::Format() const
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(flags)
        .arg(showCmd)
        .arg(minX)
        .arg(minY)
        .arg(maxX)
        .arg(maxY)
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom);
}

SWindowPlacement SWindowPlacement::ForClosing(bool minimised) const
{
    SWindowPlacement stored = *this;
    if (minimised) {
        stored.showCmd = SW_SHOW;
        if (flags & WPF_RESTORETOMAXIMIZED)
            stored.showCmd = SW_SHOWMAXIMIZED;
    }
    return stored;
}

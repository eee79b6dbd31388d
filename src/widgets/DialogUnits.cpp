#include "widgets/DialogUnits.h"

#include <QFontMetrics>

CDialogUnits::CDialogUnits(const QFont &font)
{
    // The average over the 52 Latin letters, rounded as the template format
    // defines it; a CJK font's own average width would count its wide glyphs.
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (letters / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

QRect CDialogUnits::ToPixels(const QRect &units) const
{
    return {ToPixelsX(units.x()), ToPixelsY(units.y()), ToPixelsX(units.width()), ToPixelsY(units.height())};
}

QSize CDialogUnits::ToPixels(const QSize &units) const
{
    return {ToPixelsX(units.width()), ToPixelsY(units.height())};
}

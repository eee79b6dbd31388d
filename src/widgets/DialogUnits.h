// Dialog units: the measures of a dialog template, relative to its font. A
// horizontal unit is a quarter of the font's average letter width, a vertical
// unit an eighth of its line height, so a template keeps its proportions
// whatever font the desktop substitutes.
#pragma once

#include <QFont>
#include <QRect>

class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont &font);

    int ToPixelsX(int units) const { return units * m_nBaseX / 4; }
    int ToPixelsY(int units) const { return units * m_nBaseY / 8; }
    QRect ToPixels(const QRect &units) const;
    QSize ToPixels(const QSize &units) const;

private:
    int m_nBaseX; // average width of the Latin letters, pixels
    int m_nBaseY; // line height, pixels
};

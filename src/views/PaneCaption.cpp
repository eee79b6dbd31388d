#include "views/PaneCaption.h"

#include <QPainter>
#include <QWidget>

namespace
{

// Lines at the top and left in one colour, at the bottom and right in another.
void DrawFrame(QPainter &painter, const QRect &rect, const QColor &topLeft, const QColor &bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

} // namespace

void PaintPaneCaption(QWidget &pane, const QString &caption)
{
    QPainter painter(&pane);
    const QPalette &palette = pane.palette();
    const QRect band(0, 0, pane.width(), kPaneCaptionHeight);
    painter.fillRect(band, palette.button());
    DrawFrame(painter, band, palette.color(QPalette::Light), palette.color(QPalette::Dark));
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::ButtonText));
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
    DrawFrame(painter, pane.rect().adjusted(0, kPaneCaptionHeight, 0, 0), palette.color(QPalette::Shadow),
              palette.color(QPalette::Button));
}

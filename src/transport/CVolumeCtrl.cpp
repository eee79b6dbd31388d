#include "transport/CVolumeCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <algorithm>

namespace
{

// The wedge's inset from the slider's edges: left, top, right, bottom.
constexpr QMargins WEDGE_INSET(8, 4, 10, 6);

} // namespace

CVolumeCtrl::CVolumeCtrl(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 100);
    setPageStep(10);
    setFocusPolicy(Qt::NoFocus);
}

int CVolumeCtrl::ValueAt(int x, int channelLeft, int channelRight, int minimum, int maximum)
{
    const int left = channelLeft + 3, right = channelRight - 4;
    if (x < left)
        return minimum;
    if (x >= right)
        return maximum;
    return minimum + ((maximum - minimum) * (x - left) + (right - left) / 2) / (right - left);
}

void CVolumeCtrl::mousePressEvent(QMouseEvent *event)
{
    const QRect channel = Channel();
    if (event->button() == Qt::LeftButton && channel.left() < channel.right())
        setValue(ValueAt(event->position().toPoint().x(), channel.left(), channel.right(), minimum(), maximum()));
    // The thumb now lies under the mouse, so the slider's own handling starts a drag.
    QSlider::mousePressEvent(event);
}

QRect CVolumeCtrl::Channel() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

void CVolumeCtrl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect wedge = rect().marginsRemoved(WEDGE_INSET);
    const QPoint topRight = wedge.topRight(), bottomRight = wedge.bottomRight(), bottomLeft = wedge.bottomLeft();
    // Filled up to the thumb, so the level reads at a glance.
    const double level = double(value() - minimum()) / std::max(1, maximum() - minimum());
    const int levelX = bottomLeft.x() + int(level * wedge.width());
    const int levelY = bottomLeft.y() - int(level * wedge.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Highlight));
    painter.drawPolygon(QPolygon({bottomLeft, QPoint(levelX, levelY), QPoint(levelX, bottomLeft.y())}));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawPolyline(QPolygon({topRight, bottomRight, bottomLeft}));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(bottomLeft, topRight);

    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderHandle;
    option.state &= ~QStyle::State_HasFocus;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

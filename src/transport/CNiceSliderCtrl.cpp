#include "transport/CNiceSliderCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

CNiceSliderCtrl::CNiceSliderCtrl(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Keys and the wheel move the thumb through the slider's own actions.
    connect(this, &QAbstractSlider::actionTriggered, this, [this] { emit Scrolled(TB_ENDTRACK, sliderPosition()); });
}

std::int64_t CNiceSliderCtrl::PositionAt(double coordinate, double startEdge, double endEdge, int minimum, int maximum)
{
    const double d = (coordinate - startEdge) / (endEdge - startEdge);
    const double position = (1 - d) * 0.5 - d * 0.5 + d * (double(maximum) - minimum + 1) + minimum;
    // One step past either end is as far as anyone needs to tell "beyond".
    return std::int64_t(std::clamp(std::trunc(position), double(minimum) - 1, double(maximum) + 1));
}

void CNiceSliderCtrl::SetSelection(bool shown, int start, int end)
{
    m_bSelectionShown = shown;
    m_nSelStart = shown ? start : 0;
    m_nSelEnd = shown ? end : 0;
    update();
}

void CNiceSliderCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    // The slider's own press handling never runs, so a click never pages.
    m_bDragging = true;
    emit DraggingChanged(true);
    m_bDragMoved = false;
    setFocus(Qt::MouseFocusReason);
    TrackTo(event->position().toPoint());
}

void CNiceSliderCtrl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bDragging) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    TrackTo(event->position().toPoint());
}

void CNiceSliderCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_bDragging || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_bDragging = false;
    emit DraggingChanged(false);
    TrackTo(event->position().toPoint());
    if (std::exchange(m_bDragMoved, false))
        emit Scrolled(TB_THUMBPOSITION, value());
}

void CNiceSliderCtrl::TrackTo(const QPoint &point)
{
    if (SetPositionFromPoint(point)) {
        m_bDragMoved = true;
        emit Scrolled(TB_THUMBTRACK, value());
    }
}

bool CNiceSliderCtrl::SetPositionFromPoint(const QPoint &point)
{
    const auto [start, end] = ThumbTravel();
    const std::int64_t position = PositionAt(point.x(), start, end, minimum(), maximum());
    if (position == value())
        return false;
    setValue(int(std::clamp<std::int64_t>(position, minimum(), maximum())));
    return true;
}

std::pair<int, int> CNiceSliderCtrl::ThumbTravel() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    return {groove.left() + handle.width() / 2, groove.right() - handle.width() / 2};
}

void CNiceSliderCtrl::paintEvent(QPaintEvent *event)
{
    if (!m_bSelectionShown) {
        QSlider::paintEvent(event);
        return;
    }
    // The stretch goes under the thumb, so the thumb stays on top of it.
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    DrawSelection(painter);
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

void CNiceSliderCtrl::DrawSelection(QPainter &painter) const
{
    const auto [start, end] = ThumbTravel();
    const auto pixel = [&, start = start, end = end](int position) {
        return start + QStyle::sliderPositionFromValue(minimum(), maximum(), position, end - start);
    };
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // A band along the thumb's path, darker than any fill the style gives the groove.
    const int left = pixel(m_nSelStart), right = pixel(m_nSelEnd);
    const int middle = handle.center().y();
    const QColor colour = palette().color(QPalette::Highlight).darker(130);
    painter.fillRect(QRect(QPoint(std::min(left, right), middle - 3), QPoint(std::max(left, right), middle + 2)),
                     colour);
    // A small triangle above each bound, pointing at the band.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const int tip = middle - 4;
    for (const int x : {left, right})
        painter.drawPolygon(QPolygon({QPoint(x - 4, tip - 5), QPoint(x + 4, tip - 5), QPoint(x, tip)}));
}

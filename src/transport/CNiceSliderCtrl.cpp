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

bool CNiceSliderCtrl::StartsRangeDrag(const QMouseEvent &event) const
{
    return event.button() == Qt::RightButton ||
           (event.button() == Qt::LeftButton && (event.modifiers() & Qt::ShiftModifier) != 0);
}

int CNiceSliderCtrl::PositionOfPoint(const QPoint &point) const
{
    const auto [start, end] = ThumbTravel();
    return int(std::clamp<std::int64_t>(PositionAt(point.x(), start, end, minimum(), maximum()), minimum(), maximum()));
}

void CNiceSliderCtrl::mousePressEvent(QMouseEvent *event)
{
    if (StartsRangeDrag(*event)) {
        m_nRangeAnchor = PositionOfPoint(event->position().toPoint());
        SetSelection(true, m_nRangeAnchor, m_nRangeAnchor);
        return;
    }
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
    if (m_nRangeAnchor >= 0) {
        const int here = PositionOfPoint(event->position().toPoint());
        SetSelection(true, std::min(m_nRangeAnchor, here), std::max(m_nRangeAnchor, here));
        return;
    }
    if (!m_bDragging) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    TrackTo(event->position().toPoint());
}

void CNiceSliderCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_nRangeAnchor >= 0) {
        const int here = PositionOfPoint(event->position().toPoint());
        const int anchor = std::exchange(m_nRangeAnchor, -1);
        if (here != anchor)
            emit RangeDragged(std::min(anchor, here), std::max(anchor, here));
        return;
    }
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

void CNiceSliderCtrl::StartWaveform(int windowMs)
{
    m_nWaveformWindowMs = std::max(windowMs, 1);
    m_peaks.clear();
    m_waveform = QPixmap();
    update();
}

void CNiceSliderCtrl::SetMarks(std::vector<int> starts)
{
    m_marks = std::move(starts);
    update();
}

void CNiceSliderCtrl::AppendWaveform(const std::vector<float> &peaks)
{
    if (peaks.empty())
        return;
    m_peaks.insert(m_peaks.end(), peaks.begin(), peaks.end());
    m_waveform = QPixmap();
    update();
}

void CNiceSliderCtrl::paintEvent(QPaintEvent *event)
{
    m_paintedHandle = HandleRect();
    if (!m_bSelectionShown && m_peaks.empty() && m_marks.empty()) {
        QSlider::paintEvent(event);
        return;
    }
    // The waveform and the stretch go under the thumb, so the thumb stays on top.
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    DrawWaveform(painter);
    DrawMarks(painter);
    if (m_bSelectionShown)
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
    const QRect handle = HandleRect();
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

// While an item plays the value changes ten times a second but the thumb moves a
// pixel far less often on a long recording: only a thumb that moved is drawn
// again, over the stretch from where it was to where it is (the style fills the
// groove up to the thumb), not along the whole waveform.
void CNiceSliderCtrl::sliderChange(SliderChange change)
{
    // Another range puts the waveform's peaks elsewhere along the groove.
    if (change == SliderRangeChange)
        m_waveform = QPixmap();
    if (change != SliderValueChange || m_paintedHandle.isNull()) {
        QSlider::sliderChange(change);
        return;
    }
    const QRect handle = HandleRect();
    if (handle != m_paintedHandle)
        update(handle.united(m_paintedHandle));
}

QRect CNiceSliderCtrl::HandleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

// A short tick under the groove where each listed stretch starts.
void CNiceSliderCtrl::DrawMarks(QPainter &painter) const
{
    const auto [start, end] = ThumbTravel();
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    for (int mark : m_marks) {
        const int x = start + QStyle::sliderPositionFromValue(minimum(), maximum(), mark, end - start);
        painter.drawLine(x, height() - 5, x, height() - 1);
    }
}

void CNiceSliderCtrl::DrawWaveform(QPainter &painter)
{
    if (m_peaks.empty())
        return;
    if (m_waveform.size() != size() * devicePixelRatioF())
        m_waveform = QPixmap();
    if (m_waveform.isNull())
        m_waveform = RenderWaveform();
    painter.drawPixmap(0, 0, m_waveform);
}

// Each pixel column along the thumb's path shows the loudest peak of the windows it
// covers, mirrored about the groove; the part not yet measured stays empty.
QPixmap CNiceSliderCtrl::RenderWaveform() const
{
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    const auto [start, end] = ThumbTravel();
    if (end <= start || maximum() <= minimum())
        return picture;
    QPainter painter(&picture);
    QColor colour = palette().color(QPalette::Highlight);
    colour.setAlpha(110);
    painter.setPen(QPen(colour, 1.0 / ratio));
    const qreal middle = height() / 2.0;
    const qreal reach = height() / 2.0 - 2;
    const qreal msPerPixel = qreal(maximum() - minimum()) / (end - start);
    const int steps = int((end - start) * ratio);
    for (int step = 0; step < steps; ++step) {
        const qreal x = start + step / ratio;
        const auto first = size_t((step / ratio) * msPerPixel / m_nWaveformWindowMs);
        const auto last = std::max(first + 1, size_t(((step + 1) / ratio) * msPerPixel / m_nWaveformWindowMs));
        if (first >= m_peaks.size())
            break;
        const float peak = *std::max_element(m_peaks.begin() + qsizetype(first),
                                             m_peaks.begin() + qsizetype(std::min(last, m_peaks.size())));
        // The square root lifts quiet speech into view without flattening the loud.
        const qreal half = std::max<qreal>(0.5, reach * std::sqrt(std::min(1.0f, peak)));
        painter.drawLine(QPointF(x, middle - half), QPointF(x, middle + half));
    }
    return picture;
}

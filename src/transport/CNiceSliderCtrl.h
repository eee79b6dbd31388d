// The position slider of the control bar: a click moves the thumb straight to
// the clicked point and dragging keeps it under the mouse, with a notice while
// the thumb follows the mouse and one at release; it also shows the A-B
// selection as a highlighted stretch of its groove, and the recording's
// waveform behind it as it is measured.
#pragma once

#include <QPixmap>
#include <QSlider>
#include <cstdint>
#include <vector>

class CNiceSliderCtrl : public QSlider
{
    Q_OBJECT

public:
    // Scroll codes of the notices: the thumb follows the mouse, the mouse let
    // go after moving it, the keyboard or the wheel moved it.
    static constexpr int TB_THUMBPOSITION = 4, TB_THUMBTRACK = 5, TB_ENDTRACK = 8;

    explicit CNiceSliderCtrl(QWidget *parent = nullptr);

    // The position nearest to a point that lies a fraction d of the way along
    // the thumb's travel (d may lie outside 0..1). Wider than int so a point
    // beyond an end still differs from the end position.
    static std::int64_t PositionAt(double coordinate, double startEdge, double endEdge, int minimum, int maximum);

    // True from a left-button press on the slider until its release.
    bool IsDragging() const { return m_bDragging; }

    void SetSelection(bool shown, int start, int end);
    // A new waveform of peaks per windowMs (none yet), and more of it as it is measured.
    void StartWaveform(int windowMs);
    void AppendWaveform(const std::vector<float> &peaks);
    int WaveformWindows() const { return static_cast<int>(m_peaks.size()); }
    // Where the listed stretches start, marked along the groove.
    void SetMarks(std::vector<int> starts);
    const std::vector<int> &Marks() const { return m_marks; }
    bool IsSelectionShown() const { return m_bSelectionShown; }
    int SelectionStart() const { return m_nSelStart; }
    int SelectionEnd() const { return m_nSelEnd; }

signals:
    void Scrolled(int code, int position);
    // The left button went down on the slider (true) or came up (false).
    void DraggingChanged(bool dragging);
    // Dragged with Shift (or the right button) from one position to another: an A-B
    // stretch chosen on the waveform, start before end.
    void RangeDragged(int start, int end);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    // Moves the thumb to the point; true when the computed position differs
    // from the one before.
    bool SetPositionFromPoint(const QPoint &point);
    void TrackTo(const QPoint &point);
    // The pixel span along which the thumb's centre travels.
    std::pair<int, int> ThumbTravel() const;
    QRect HandleRect() const;
    void DrawSelection(QPainter &painter) const;
    void DrawMarks(QPainter &painter) const;
    int PositionOfPoint(const QPoint &point) const;
    bool StartsRangeDrag(const QMouseEvent &event) const;
    // Drawn once into a picture of the slider's size, again only when it grows or the size changes.
    void DrawWaveform(QPainter &painter);
    QPixmap RenderWaveform() const;

    // A Shift or right-button drag: where it started, -1 when none runs.
    int m_nRangeAnchor = -1;
    bool m_bDragMoved = false;
    bool m_bDragging = false;
    bool m_bSelectionShown = false;
    int m_nSelStart = 0;
    int m_nSelEnd = 0;
    int m_nWaveformWindowMs = 10;
    std::vector<float> m_peaks;
    std::vector<int> m_marks;
    QPixmap m_waveform;    // null when it must be drawn again
    QRect m_paintedHandle; // where the thumb was last drawn; null before the first paint
};

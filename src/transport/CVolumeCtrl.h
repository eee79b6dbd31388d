// The volume slider of the control bar, 0..100 percent: drawn as a wedge that
// grows to the right with the style's thumb on it; a click on the channel
// jumps to the clicked value; it never takes the keyboard focus (the volume
// shortcuts are the keyboard's way).
#pragma once

#include <QSlider>

class CVolumeCtrl : public QSlider
{
    Q_OBJECT

public:
    explicit CVolumeCtrl(QWidget *parent = nullptr);

    // The value nearest to x on a channel from left to right (pixels), with
    // the active span 3 pixels inside the left end and 4 inside the right.
    static int ValueAt(int x, int channelLeft, int channelRight, int minimum, int maximum);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect Channel() const;
};

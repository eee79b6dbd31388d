// The look the list panes share: a caption band across the top with the
// pane's title, and a frame around the rest.
#pragma once

class QString;
class QWidget;

// Height of the caption band in pixels.
inline constexpr int kPaneCaptionHeight = 22;

// Paints the band with its raised frame and the caption ("宋体" 9 points,
// vertically centred), and the sunken frame below it.
void PaintPaneCaption(QWidget &pane, const QString &caption);

// Whether the desktop's widget style is themed: a style that draws its own
// button and tool-button surfaces (Fusion, a desktop's own style) rather than
// the classic bevelled look. The bars' image buttons ask it how to draw.
#pragma once

class QStyle;

class CThemeHelper
{
public:
    // True while an application runs and its style is a themed one.
    bool IsAppThemed() const;
    // The classic style ("windows") is the one unthemed look; a missing style is unthemed too.
    static bool IsThemedStyle(const QStyle *style);
};

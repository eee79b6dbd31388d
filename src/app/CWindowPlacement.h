// Where the main window was and how it was shown, kept in the profile as
// "WindowPos": ten numbers separated by commas (flags, show state, minimised
// x and y, maximised x and y, and the normal rectangle's left, top, right and
// bottom).
#pragma once

#include <QString>
#include <optional>

struct SWindowPlacement {
    // Show states and the flag the profile uses.
    static constexpr unsigned SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3, SW_SHOW = 5,
                              SW_RESTORE = 9;
    static constexpr unsigned WPF_RESTORETOMAXIMIZED = 2;

    unsigned flags = 0;
    unsigned showCmd = SW_SHOWNORMAL;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    // Reads the ten numbers, as "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" would: text
    // after the tenth number is ignored, fewer than ten numbers is no placement.
    static std::optional<SWindowPlacement> Parse(const QString &text);
    QString Format() const;

    // What is stored at close: a minimised window comes back shown, and
    // maximised when it was maximised before it was minimised.
    SWindowPlacement ForClosing(bool minimised) const;
};

// Whether Caps Lock, Num Lock and Scroll Lock are on, for the status bar's
// three lock panes. Known on X11 through the keyboard's indicators; elsewhere
// (Wayland, no display) the state cannot be read and is unknown.
#pragma once

#include <optional>

struct SLockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const SLockKeys &) const = default;
};

std::optional<SLockKeys> QueryLockKeys();

#include "frame/CLockKeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

std::optional<SLockKeys> QueryLockKeys()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr)
        return std::nullopt;
    unsigned indicators = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &indicators) != Success)
        return std::nullopt;
    // The core keyboard's first three indicators are Caps, Num and Scroll Lock.
    return SLockKeys{(indicators & 0x1) != 0, (indicators & 0x2) != 0, (indicators & 0x4) != 0};
}

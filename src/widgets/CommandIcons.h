// The program's icons by command (each command's row names its icon) and the
// few that belong to no command, drawn as SVG files compiled into this library.
#pragma once

#include <QIcon>
#include <QString>

// The resource path of a command's icon (":/icons/play.svg"); empty for a
// command that has none.
QString CommandIconPath(unsigned id);
// The icon itself; a null icon for a command that has none.
QIcon CommandIcon(unsigned id);
// The mute button's two looks.
QIcon MuteIcon(bool muted);
QIcon ProgramIcon();

#include "widgets/CommandIcons.h"

#include "app/Resource.h"

#include <map>

// A static library's resources are only linked in when something registers
// them. Outside any namespace: the macro declares the registering function.
static void RegisterIcons()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(quillmere);
        return true;
    }();
    (void)registered;
}

namespace
{

QIcon IconAt(const QString &path)
{
    RegisterIcons();
    return QIcon(path);
}

} // namespace

QString CommandIconPath(unsigned id)
{
    static const std::map<unsigned, const char *> names = {
        {IDC_PLAY_BUTTON, "play"},
        {IDC_PAUSE_BUTTON, "pause"},
        {IDC_STOP, "stop"},
        {IDC_PREV_ITEM, "previous-item"},
        {IDC_NEXT_ITEM, "next-item"},
        {IDC_START_LEFT, "move-start-left"},
        {IDC_SET_START, "set-start"},
        {IDC_SET_END, "set-end"},
        {IDC_END_RIGHT, "move-end-right"},
        {IDC_PREV_SELECTION, "previous-selection"},
        {IDC_NEXT_SELECTION, "next-selection"},
        {IDC_CLEAR_SELECTION, "clear-selection"},
        {IDC_SAVE_SELECTION, "save-selection"},
        {IDC_MUTE_BUTTON, "mute"},
        {IDC_SCROLL_UP, "scroll-up"},
        {IDC_SCROLL_DOWN, "scroll-down"},
        {ID_FILE_OPEN, "open"},
        {ID_FILE_SAVE, "save"},
        {ID_FILE_SAVE_AS, "save-as"},
        {ID_EDIT_CUT, "cut"},
        {ID_EDIT_COPY, "copy"},
        {ID_EDIT_PASTE, "paste"},
        {ID_FILE_PRINT, "print"},
        {ID_APP_ABOUT, "about"},
        {ID_SETTINGS, "settings"},
        {ID_CHAR_BOLD, "bold"},
        {ID_CHAR_ITALIC, "italic"},
        {ID_CHAR_UNDERLINE, "underline"},
        {ID_PARA_LEFT, "align-left"},
        {ID_PARA_CENTER, "align-center"},
        {ID_PARA_RIGHT, "align-right"},
        {ID_FORMAT_COLOR, "text-colour"},
    };
    const auto found = names.find(id);
    if (found == names.end())
        return {};
    return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(found->second));
}

QIcon CommandIcon(unsigned id)
{
    const QString path = CommandIconPath(id);
    return path.isEmpty() ? QIcon() : IconAt(path);
}

QIcon MuteIcon(bool muted)
{
    return muted ? IconAt(QStringLiteral(":/icons/muted.svg")) : CommandIcon(IDC_MUTE_BUTTON);
}

QIcon ProgramIcon()
{
    return IconAt(QStringLiteral(":/icons/quillmere.svg"));
}

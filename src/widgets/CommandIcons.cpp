#include "widgets/CommandIcons.h"

#include "app/CCommandTable.h"
#include "app/Resource.h"

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
    const SCommand *command = CommandTable::Find(id);
    if (command == nullptr || command->m_strIcon.isEmpty())
        return {};
    return QStringLiteral(":/icons/%1.svg").arg(command->m_strIcon);
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

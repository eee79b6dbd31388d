// Parses arbitrary bytes as a profile, then checks that writing values and
// reading the written text back gives the same values and keeps every line.
#include "app/CIniProfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CIniProfile profile;
    profile.Parse(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    const QString section = QStringLiteral("Settings");
    const int before = profile.GetProfileInt(section, QStringLiteral("MoveStep"), 100);
    profile.WriteProfileInt(QStringLiteral("State"), QStringLiteral("Volume"), 77);

    CIniProfile reread;
    reread.Parse(profile.Serialize());
    if (reread.GetProfileInt(QStringLiteral("State"), QStringLiteral("Volume"), 0) != 77)
        std::abort();
    if (reread.GetProfileInt(section, QStringLiteral("MoveStep"), 100) != before)
        std::abort();
    if (reread.Serialize() != profile.Serialize())
        std::abort();
    return 0;
}

#include "app/CAppSettings.h"

#include "app/CIniProfile.h"

#include <algorithm>

namespace
{

const QString kSettings = QStringLiteral("Settings");
const QString kState = QStringLiteral("State");
const QString kDrill = QStringLiteral("Drill");
const QString kStretches = QStringLiteral("Stretches");

} // namespace

void CAppSettings::Load(const CIniProfile &profile)
{
    const auto readBool = [&](const QString &section, const char *key, bool value) {
        return profile.GetProfileInt(section, QLatin1String(key), value ? 1 : 0) != 0;
    };
    const auto readInt = [&](const QString &section, const char *key, int value) {
        return profile.GetProfileInt(section, QLatin1String(key), value);
    };
    AlwaysTop = readBool(kSettings, "AlwaysTop", AlwaysTop);
    MoveStep = readInt(kSettings, "MoveStep", MoveStep);
    USplitterHigh = readInt(kSettings, "USplitterHigh", USplitterHigh);
    LSplitterWidth = readInt(kSettings, "LSplitterWidth", LSplitterWidth);
    AutoSave = readInt(kSettings, "AutoSave", AutoSave);
    MinimizeToTray = readBool(kSettings, "MinimizeToTray", MinimizeToTray);
    BackStep = std::clamp(readInt(kSettings, "BackStep", BackStep), 0, kMaxBackStep);
    Volume = readInt(kState, "Volume", Volume);
    Mute = readBool(kState, "Mute", Mute);
    Order = readInt(kState, "Order", Order);
    PlaylistIndex = readInt(kState, "PlaylistIndex", PlaylistIndex);
    DrillOn = readBool(kDrill, "DrillOn", DrillOn);
    DrillPasses = std::clamp(readInt(kDrill, "DrillPasses", DrillPasses), 1, 9);
    DrillGap = std::clamp(readInt(kDrill, "DrillGap", DrillGap), 0, 10);
    MinPauseMs = std::clamp(readInt(kStretches, "MinPause", MinPauseMs), 50, 5000);
    ShortestStretchMs = std::clamp(readInt(kStretches, "ShortestStretch", ShortestStretchMs), 0, 60000);
    LongestStretchMs = std::clamp(readInt(kStretches, "LongestStretch", LongestStretchMs), ShortestStretchMs, 600000);
}

CResult CAppSettings::Save(CIniProfile &profile) const
{
    const auto write = [&](const QString &section, const char *key, int value) {
        profile.WriteProfileInt(section, QLatin1String(key), value);
    };
    write(kSettings, "AlwaysTop", AlwaysTop ? 1 : 0);
    write(kSettings, "MoveStep", MoveStep);
    write(kSettings, "USplitterHigh", USplitterHigh);
    write(kSettings, "LSplitterWidth", LSplitterWidth);
    write(kSettings, "AutoSave", AutoSave);
    write(kSettings, "MinimizeToTray", MinimizeToTray ? 1 : 0);
    write(kSettings, "BackStep", BackStep);
    write(kState, "Volume", Volume);
    write(kState, "Mute", Mute ? 1 : 0);
    write(kState, "Order", Order);
    write(kState, "PlaylistIndex", PlaylistIndex);
    write(kDrill, "DrillOn", DrillOn ? 1 : 0);
    write(kDrill, "DrillPasses", DrillPasses);
    write(kDrill, "DrillGap", DrillGap);
    write(kStretches, "MinPause", MinPauseMs);
    write(kStretches, "ShortestStretch", ShortestStretchMs);
    write(kStretches, "LongestStretch", LongestStretchMs);

    return profile.Flush();
}

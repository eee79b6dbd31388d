#include "app/CAppSettings.h"

#include "app/CIniProfile.h"

#include <algorithm>

namespace
{

const QString kSettings = QStringLiteral("Settings");
const QString kState = QStringLiteral("State");
const QString kDrill = QStringLiteral("Drill");
const QString kStretches = QStringLiteral("Stretches");
const QString kPedal = QStringLiteral("Pedal");

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
    PedalDevice = profile.GetProfileString(kPedal, QStringLiteral("PedalDevice"), PedalDevice);
    PedalStep = std::clamp(readInt(kPedal, "PedalStep", PedalStep), kMinPedalStep, kMaxPedalStep);
    PedalLeft = std::clamp(readInt(kPedal, "PedalLeft", PedalLeft), 0, kMaxPedalKey);
    PedalMiddle = std::clamp(readInt(kPedal, "PedalMiddle", PedalMiddle), 0, kMaxPedalKey);
    PedalRight = std::clamp(readInt(kPedal, "PedalRight", PedalRight), 0, kMaxPedalKey);
    PedalHold = readBool(kPedal, "PedalHold", PedalHold);
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

    // The settings added since the first profiles are written once they differ from
    // their defaults or the profile has them: a learner who never set them keeps the
    // profile as it was. A line holds no line break, so "\n" stands for a missing key.
    const CAppSettings defaults;
    const auto writeOnceSet = [&](const QString &section, const char *key, const QString &value,
                                  const QString &defaultValue) {
        const QString name = QLatin1String(key);
        const QString missing = QStringLiteral("\n");
        if (value != defaultValue || profile.GetProfileString(section, name, missing) != missing)
            profile.WriteProfileString(section, name, value);
    };
    const auto writeIntOnceSet = [&](const QString &section, const char *key, int value, int defaultValue) {
        writeOnceSet(section, key, QString::number(value), QString::number(defaultValue));
    };
    writeIntOnceSet(kStretches, "MinPause", MinPauseMs, defaults.MinPauseMs);
    writeIntOnceSet(kStretches, "ShortestStretch", ShortestStretchMs, defaults.ShortestStretchMs);
    writeIntOnceSet(kStretches, "LongestStretch", LongestStretchMs, defaults.LongestStretchMs);
    writeOnceSet(kPedal, "PedalDevice", PedalDevice, defaults.PedalDevice);
    writeIntOnceSet(kPedal, "PedalStep", PedalStep, defaults.PedalStep);
    writeIntOnceSet(kPedal, "PedalLeft", PedalLeft, defaults.PedalLeft);
    writeIntOnceSet(kPedal, "PedalMiddle", PedalMiddle, defaults.PedalMiddle);
    writeIntOnceSet(kPedal, "PedalRight", PedalRight, defaults.PedalRight);
    writeIntOnceSet(kPedal, "PedalHold", PedalHold ? 1 : 0, defaults.PedalHold ? 1 : 0);

    return profile.Flush();
}

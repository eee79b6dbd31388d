// The input devices of the desktop that have keys or buttons, for choosing a
// foot pedal. They are read from sysfs, which anyone may read, so a device the
// user may not open is still listed (and found again) under its name; only
// reading its events needs its /dev/input node.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

struct SInputDevice {
    QString strNode; // "event7"
    QString strPath; // "/dev/input/event7"
    QString strName;
    std::uint16_t wVendor = 0;
    std::uint16_t wProduct = 0;
    std::vector<int> keys; // its key and button codes, lowest first

    // What stays the same when it is plugged in again, into any port:
    // "vvvv:pppp:name" with the vendor and product in four hex digits.
    QString Id() const;
    // For a list to choose from: "name (vvvv:pppp, /dev/input/event7)".
    QString Label() const;
};

class CInputDevices
{
public:
    // The devices of sysfs's input class and their nodes in devDirectory.
    explicit CInputDevices(QString sysDirectory = QStringLiteral("/sys/class/input"),
                           QString devDirectory = QStringLiteral("/dev/input"));

    // The event devices with at least one key or button, by node number.
    std::vector<SInputDevice> List() const;
    // The first device listed with this id.
    std::optional<SInputDevice> Find(const QString &id) const;
    // The names in the sysfs folder: every device plugged in adds a name never
    // seen before, so an unchanged list means no device came.
    QStringList Entries() const;

private:
    std::optional<SInputDevice> Read(const QString &node) const;

    QString m_strSysDirectory;
    QString m_strDevDirectory;
};

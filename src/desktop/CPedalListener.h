// A USB transcription foot pedal read as an input device. Three pedals act on
// the session: the middle one plays while it is held and pauses when let go
// (or, set so, plays or pauses at each press); the left one steps back and the
// right one forward, once at the press, again after REPEAT_DELAY_MS and then
// every REPEAT_PERIOD_MS while held. The device is chosen by its id and found
// again whenever it is plugged in: while it is missing the input devices are
// looked at every RESCAN_PERIOD_MS, which costs one folder listing as long as
// nothing was plugged in. Pulling it out lets go of every pedal held.
#pragma once

#include "desktop/CInputDevices.h"

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class CAppSettings;
class ISessionClock;
class ISessionTimer;
class QSocketNotifier;
struct input_event;

class CPedalListener : public QObject
{
    Q_OBJECT

public:
    enum EPedal { PEDAL_LEFT, PEDAL_MIDDLE, PEDAL_RIGHT, PEDAL_COUNT };
    static constexpr int REPEAT_DELAY_MS = 400;
    static constexpr int REPEAT_PERIOD_MS = 250;
    static constexpr int RESCAN_PERIOD_MS = 2000;

    using FRaise = std::function<void(unsigned id)>;
    using FStep = std::function<void(int deltaMs)>;
    // Opens a device node for reading: the descriptor, or -errno.
    using FOpen = std::function<int(const QString &path)>;

    // raise carries out a command as its key would; step moves the playing
    // position. Both, and the clock, must outlive the listener.
    CPedalListener(ISessionClock &clock, FRaise raise, FStep step, QObject *parent = nullptr);
    ~CPedalListener() override;

    // Where the devices are looked for and how their nodes are opened; the
    // desktop's own by default (and for an empty opener).
    void SetDevices(const CInputDevices &devices) { m_devices = devices; }
    void SetOpener(FOpen open);

    // Takes the pedal settings, letting go of every pedal held. Another device
    // chosen: closes the one open and looks for that one, if any. A pedal's
    // key code 0 takes the device's key of the same rank in code order.
    void Configure(const CAppSettings &settings);

    // Reads from a descriptor already open, which the listener then owns: an
    // event device through libevdev, or anything else that carries the
    // kernel's input_event records (a pipe). keys: the device's keys in code
    // order for the default mapping when the descriptor is no event device.
    void Attach(int fd, const std::vector<int> &keys = {});

    bool IsOpen() const { return m_fd >= 0; }
    // The key code of each pedal in force (-1: none).
    const std::array<int, PEDAL_COUNT> &Keys() const { return m_keys; }

signals:
    // Something the learner should be told: the chosen device may not be read.
    void ProblemReported(const QString &text);

private:
    class CReader;
    class CEvdevReader;
    class CRecordReader;

    void OnReadable();
    void HandleEvent(const input_event &event);
    void Press(int pedal);
    void Release(int pedal);
    void OnRepeat();
    void Step(int pedal);
    // Closes the device; with release, every pedal held is let go first.
    void Detach(bool release);
    void ReleaseAll();
    void MapKeys();
    void Rescan();
    void StartRescan();

    FRaise m_raise;
    FStep m_step;
    FOpen m_open;
    CInputDevices m_devices;

    QString m_strDeviceId;
    int m_nStepMs = 2000;
    bool m_bHoldToPlay = true;
    std::array<int, PEDAL_COUNT> m_configuredKeys{}; // 0: the device's own
    std::array<int, PEDAL_COUNT> m_keys{-1, -1, -1};
    std::vector<int> m_deviceKeys; // the open device's, lowest first

    int m_fd = -1;
    std::unique_ptr<CReader> m_pReader;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    std::array<bool, PEDAL_COUNT> m_held{};
    int m_nRepeating = -1; // the pedal whose step repeats
    std::unique_ptr<ISessionTimer> m_pRepeatTimer;
    std::unique_ptr<ISessionTimer> m_pRescanTimer;
    // The sysfs entries at the last look; none to look at the devices again.
    std::optional<QStringList> m_lastEntries;
    // The node that could not be opened for want of access at the last look,
    // and the one the learner was told of.
    QString m_strDeniedPath;
    QString m_strReportedPath;
};

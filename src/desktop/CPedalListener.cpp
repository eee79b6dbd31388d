#include "desktop/CPedalListener.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "session/ISessionClock.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

// Where the events come from: the next one, 0 when none is waiting, or -errno
// when the device is gone (a pipe whose writer closed reads as -ENODEV).
class CPedalListener::CReader
{
public:
    virtual ~CReader() = default;
    virtual int Next(input_event &event) = 0;
};

// An event device through libevdev. When the kernel dropped events because
// they were not read in time, libevdev first hands over what changed meanwhile
// (a pedal let go), then the events that follow.
class CPedalListener::CEvdevReader final : public CReader
{
public:
    explicit CEvdevReader(libevdev *device) : m_pDevice(device) {}
    ~CEvdevReader() override { libevdev_free(m_pDevice); }

    int Next(input_event &event) override
    {
        for (;;) {
            const unsigned flags = m_bSyncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL;
            const int rc = libevdev_next_event(m_pDevice, flags, &event);
            if (rc == LIBEVDEV_READ_STATUS_SYNC) {
                m_bSyncing = true; // the drop itself, then each change
                return 1;
            }
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS)
                return 1;
            if (rc == -EAGAIN && m_bSyncing) {
                m_bSyncing = false; // caught up: the events that follow
                continue;
            }
            return rc == -EAGAIN ? 0 : rc;
        }
    }

private:
    libevdev *m_pDevice;
    bool m_bSyncing = false;
};

// Any other descriptor carrying input_event records, each written whole (a
// pipe passes a write of a record at once).
class CPedalListener::CRecordReader final : public CReader
{
public:
    explicit CRecordReader(int fd) : m_fd(fd) {}

    int Next(input_event &event) override
    {
        for (;;) {
            const ssize_t count = ::read(m_fd, &event, sizeof event);
            if (count == ssize_t(sizeof event))
                return 1;
            if (count >= 0)
                return -ENODEV; // closed, or broken off
            if (errno != EINTR)
                return errno == EAGAIN ? 0 : -errno;
        }
    }

private:
    int m_fd;
};

namespace
{

int OpenNode(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

QString DeniedText(const SInputDevice &device)
{
    return QStringLiteral("没有权限读取脚踏板“%1”（%2）。请把 udev 规则 resources/60-quillmere-pedal.rules "
                          "复制到 /etc/udev/rules.d/（厂商号和产品号不是 05f3:00ff 的脚踏板，先把规则里的这两个号改成 "
                          "%3:%4），运行 sudo udevadm control --reload，再重新插上脚踏板。")
        .arg(device.strName, device.strPath, QString::asprintf("%04x", device.wVendor),
             QString::asprintf("%04x", device.wProduct));
}

} // namespace

CPedalListener::CPedalListener(ISessionClock &clock, FRaise raise, FStep step, QObject *parent)
    : QObject(parent), m_raise(std::move(raise)), m_step(std::move(step)), m_open(OpenNode),
      m_pRepeatTimer(clock.CreateTimer(true, [this] { OnRepeat(); })),
      m_pRescanTimer(clock.CreateTimer(false, [this] { Rescan(); }))
{
}

CPedalListener::~CPedalListener()
{
    // Nobody is left to act on a pedal let go now.
    Detach(false);
}

void CPedalListener::SetOpener(FOpen open)
{
    m_open = open ? std::move(open) : FOpen(OpenNode);
}

void CPedalListener::Configure(const CAppSettings &settings)
{
    ReleaseAll();
    m_nStepMs = settings.PedalStep;
    m_bHoldToPlay = settings.PedalHold;
    m_configuredKeys = {settings.PedalLeft, settings.PedalMiddle, settings.PedalRight};
    if (settings.PedalDevice == m_strDeviceId && IsOpen()) {
        MapKeys();
        return;
    }
    Detach(false);
    m_strDeviceId = settings.PedalDevice;
    m_strDeniedPath.clear();
    m_strReportedPath.clear();
    m_lastEntries.reset();
    m_pRescanTimer->Stop();
    if (m_strDeviceId.isEmpty())
        return;
    Rescan();
    if (!IsOpen())
        m_pRescanTimer->Start(RESCAN_PERIOD_MS);
}

void CPedalListener::Attach(int fd, const std::vector<int> &keys)
{
    Detach(true);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    libevdev *device = nullptr;
    if (libevdev_new_from_fd(fd, &device) == 0) {
        m_deviceKeys.clear();
        for (int code = 0; code <= KEY_MAX; ++code)
            if (libevdev_has_event_code(device, EV_KEY, unsigned(code)) != 0)
                m_deviceKeys.push_back(code);
        m_pReader = std::make_unique<CEvdevReader>(device);
    } else {
        m_deviceKeys = keys;
        m_pReader = std::make_unique<CRecordReader>(fd);
    }
    m_fd = fd;
    MapKeys();
    m_pRescanTimer->Stop();
    m_strDeniedPath.clear();
    m_strReportedPath.clear();
    m_pNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CPedalListener::OnReadable);
}

void CPedalListener::MapKeys()
{
    for (std::size_t pedal = 0; pedal < PEDAL_COUNT; ++pedal) {
        if (m_configuredKeys[pedal] > 0)
            m_keys[pedal] = m_configuredKeys[pedal];
        else
            m_keys[pedal] = pedal < m_deviceKeys.size() ? m_deviceKeys[pedal] : -1;
    }
}

void CPedalListener::OnReadable()
{
    input_event event{};
    while (m_pReader) {
        const int rc = m_pReader->Next(event);
        if (rc == 0)
            return;
        if (rc < 0) {
            Detach(true);
            StartRescan();
            return;
        }
        HandleEvent(event);
    }
}

void CPedalListener::HandleEvent(const input_event &event)
{
    // Value 2 is the kernel's own key repeat; the listener repeats by itself.
    if (event.type != EV_KEY || event.value == 2)
        return;
    const auto found = std::find(m_keys.begin(), m_keys.end(), int(event.code));
    if (found == m_keys.end())
        return;
    const int pedal = int(found - m_keys.begin());
    if (event.value != 0)
        Press(pedal);
    else
        Release(pedal);
}

void CPedalListener::Press(int pedal)
{
    if (m_held[std::size_t(pedal)])
        return;
    m_held[std::size_t(pedal)] = true;
    if (pedal == PEDAL_MIDDLE) {
        m_raise(m_bHoldToPlay ? IDC_PLAY_BUTTON : ID_PLAY_PAUSE);
        return;
    }
    m_nRepeating = pedal;
    m_pRepeatTimer->Start(REPEAT_DELAY_MS);
    Step(pedal);
}

void CPedalListener::Release(int pedal)
{
    if (!m_held[std::size_t(pedal)])
        return;
    m_held[std::size_t(pedal)] = false;
    if (pedal == PEDAL_MIDDLE) {
        if (m_bHoldToPlay)
            m_raise(IDC_PAUSE_BUTTON);
        return;
    }
    if (pedal == m_nRepeating) {
        m_nRepeating = -1;
        m_pRepeatTimer->Stop();
    }
}

void CPedalListener::ReleaseAll()
{
    for (int pedal = 0; pedal < PEDAL_COUNT; ++pedal)
        Release(pedal);
}

void CPedalListener::OnRepeat()
{
    if (m_nRepeating < 0)
        return;
    m_pRepeatTimer->Start(REPEAT_PERIOD_MS);
    Step(m_nRepeating);
}

void CPedalListener::Step(int pedal)
{
    m_step(pedal == PEDAL_LEFT ? -m_nStepMs : m_nStepMs);
}

void CPedalListener::Detach(bool release)
{
    if (m_fd < 0)
        return;
    m_pNotifier.reset(); // before its descriptor closes
    m_pReader.reset();
    ::close(m_fd);
    m_fd = -1;
    m_deviceKeys.clear();
    if (release) {
        ReleaseAll();
    } else {
        m_held.fill(false);
        m_nRepeating = -1;
        m_pRepeatTimer->Stop();
    }
    m_keys.fill(-1);
}

void CPedalListener::StartRescan()
{
    if (m_strDeviceId.isEmpty())
        return;
    m_lastEntries.reset();
    m_pRescanTimer->Start(RESCAN_PERIOD_MS);
}

void CPedalListener::Rescan()
{
    if (IsOpen() || m_strDeviceId.isEmpty()) {
        m_pRescanTimer->Stop();
        return;
    }
    QStringList entries = m_devices.Entries();
    if (entries == m_lastEntries)
        return; // nothing was plugged in since the last look
    m_lastEntries = std::move(entries);
    const std::optional<SInputDevice> device = m_devices.Find(m_strDeviceId);
    if (!device) {
        m_strDeniedPath.clear();
        return;
    }
    const int fd = m_open(device->strPath);
    if (fd >= 0) {
        Attach(fd, device->keys);
        return;
    }
    // Look again next time: the node may not be there yet, and right after a
    // device is plugged in udev may still be giving it its access list, so
    // only a node denied twice in a row is told of.
    const bool denied = fd == -EACCES || fd == -EPERM;
    if (!denied || m_strDeniedPath != device->strPath) {
        m_strDeniedPath = denied ? device->strPath : QString();
        m_lastEntries.reset();
        return;
    }
    if (m_strReportedPath != device->strPath) {
        m_strReportedPath = device->strPath;
        emit ProblemReported(DeniedText(*device));
    }
}

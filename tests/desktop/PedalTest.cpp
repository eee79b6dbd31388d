// The foot pedal: devices listed from a made-up sysfs folder, and the listener
// reading the kernel's input_event records from pipes on simulated time, the
// way it reads them from a pedal. Where /dev/uinput exists, the same on a
// virtual pedal of the kernel's.
#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "desktop/CInputDevices.h"
#include "desktop/CPedalListener.h"
#include "support/CSimulatedTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <linux/input.h>
#include <map>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

const QString kPedalId = u"05f3:00ff:Test Footpedal"_s;
const char *const kPedalKeys = "7 0 0 0 0"; // BTN_0-BTN_2 (256-258): the fifth 64-bit word

// A key or another event, then the report that closes the batch.
void Send(int fd, int code, int value, unsigned short type = EV_KEY)
{
    input_event events[2] = {};
    events[0].type = type;
    events[0].code = (unsigned short)code;
    events[0].value = value;
    ASSERT_EQ(::write(fd, events, sizeof events), ssize_t(sizeof events));
}

class CPedalTest : public ::testing::Test
{
protected:
    CPedalTest()
    {
        m_listener.SetDevices(CInputDevices(m_dir.filePath(u"sys"_s), m_dir.filePath(u"dev"_s)));
        m_listener.SetOpener([this](const QString &path) {
            ++m_nOpens;
            std::deque<int> &results = m_opens[path];
            const int result = results.empty() ? -ENOENT : results.front();
            if (!results.empty())
                results.pop_front();
            return result;
        });
        QObject::connect(&m_listener, &CPedalListener::ProblemReported,
                         [this](const QString &text) { m_problems << text; });
        QDir().mkpath(m_dir.filePath(u"sys"_s));
        m_settings.PedalDevice = kPedalId;
    }

    QString NodePath(const QString &node) const { return m_dir.filePath(u"dev/"_s + node); }
    // A device in sysfs; its node opens as nothing yet.
    void AddDevice(const QString &node, const QByteArray &name, const QByteArray &keys,
                   const QByteArray &id = "05f3 00ff")
    {
        const QString folder = m_dir.filePath(u"sys/"_s + node + u"/device/"_s);
        QDir().mkpath(folder + u"id"_s);
        QDir().mkpath(folder + u"capabilities"_s);
        for (const auto &[file, text] : {std::pair{"name", name},
                                         {"id/vendor", id.left(4)},
                                         {"id/product", id.mid(5)},
                                         {"capabilities/key", keys}}) {
            QFile attribute(folder + QLatin1String(file));
            ASSERT_TRUE(attribute.open(QIODevice::WriteOnly));
            attribute.write(text + '\n');
        }
    }
    // The pedal in sysfs, its node opening as a pipe: the end to write its events to.
    int Plug(const QString &node)
    {
        AddDevice(node, "Test Footpedal", kPedalKeys);
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        m_opens[NodePath(node)].push_back(fds[0]);
        return fds[1];
    }
    bool WaitFor(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 5000); }
    bool WaitForRaised(std::size_t count)
    {
        return WaitFor([&] { return m_raised.size() >= count; });
    }

    QTemporaryDir m_dir;
    CSimulatedClock m_clock;
    std::vector<unsigned> m_raised;
    std::vector<int> m_steps;
    CPedalListener m_listener{m_clock, [this](unsigned id) { m_raised.push_back(id); },
                              [this](int delta) { m_steps.push_back(delta); }};
    CAppSettings m_settings;
    std::map<QString, std::deque<int>> m_opens; // what opening each node gives, in turn
    int m_nOpens = 0;
    QStringList m_problems;
};

} // namespace

// Only devices with keys are listed, by node number (event10 after event2),
// each with the keys its capability words give, lowest word last.
TEST_F(CPedalTest, DevicesWithKeysAreListedByNodeNumber)
{
    AddDevice(u"event10"_s, "Test Footpedal", kPedalKeys);
    AddDevice(u"event2"_s, "Keyboard", "10000 0 0 0 40000000", "046d c31c"); // KEY_A, BTN_LEFT
    AddDevice(u"event3"_s, "Lid Switch", "0");
    AddDevice(u"event4"_s, "Going", kPedalKeys, "gone"); // gone while read
    const std::vector<SInputDevice> list = CInputDevices(m_dir.filePath(u"sys"_s), m_dir.filePath(u"dev"_s)).List();
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(list[0].Id(), u"046d:c31c:Keyboard"_s);
    EXPECT_EQ(list[0].keys, (std::vector<int>{KEY_A, BTN_LEFT}));
    EXPECT_EQ(list[1].strPath, NodePath(u"event10"_s));
}

// The middle pedal (the device's second key by default) plays while held and
// pauses when let go; the kernel's key repeat, other keys and other events
// change nothing. Set to toggle, each press plays or pauses.
TEST_F(CPedalTest, MiddlePedalPlaysWhileHeld)
{
    const int pedal = Plug(u"event5"_s);
    m_listener.Configure(m_settings);
    for (const auto &[code, value] : {std::pair{BTN_1, 1}, {BTN_1, 2}, {KEY_A, 1}, {BTN_1, 0}})
        Send(pedal, code, value);
    Send(pedal, BTN_1, 1, EV_MSC);
    ASSERT_TRUE(WaitForRaised(2));
    EXPECT_EQ(m_raised, (std::vector<unsigned>{IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON}));

    m_settings.PedalHold = false;
    m_listener.Configure(m_settings);
    for (int value : {1, 0, 1})
        Send(pedal, BTN_1, value);
    ASSERT_TRUE(WaitForRaised(4));
    EXPECT_EQ(m_raised, (std::vector<unsigned>{IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, ID_PLAY_PAUSE, ID_PLAY_PAUSE}));
    EXPECT_TRUE(m_steps.empty());
}

// The left pedal steps back at once, again after 400 ms and then every 250 ms
// until let go; the step and the keys of the pedals follow the settings.
TEST_F(CPedalTest, SidePedalsStepAndRepeatWhileHeld)
{
    const int pedal = Plug(u"event5"_s);
    m_listener.Configure(m_settings);
    Send(pedal, BTN_0, 1);
    ASSERT_TRUE(WaitFor([&] { return !m_steps.empty(); }));
    for (int ms : {CPedalListener::REPEAT_DELAY_MS - 1, 1, CPedalListener::REPEAT_PERIOD_MS,
                   CPedalListener::REPEAT_PERIOD_MS - 1})
        m_clock.Advance(ms);
    EXPECT_EQ(m_steps, (std::vector<int>{-2000, -2000, -2000}));
    Send(pedal, BTN_0, 0);
    Send(pedal, BTN_1, 1); // read after the release
    ASSERT_TRUE(WaitForRaised(1));
    m_clock.Advance(2000);
    EXPECT_EQ(m_steps.size(), 3U);

    m_settings.PedalStep = 1500;
    m_settings.PedalLeft = BTN_2;
    m_settings.PedalRight = BTN_0;
    m_listener.Configure(m_settings);
    Send(pedal, BTN_0, 1);
    ASSERT_TRUE(WaitFor([&] { return m_steps.size() == 4; }));
    m_clock.Advance(CPedalListener::REPEAT_DELAY_MS);
    EXPECT_EQ(m_steps, (std::vector<int>{-2000, -2000, -2000, 1500, 1500}));
}

// A pedal not there is waited for. Pulled out with pedals held, the middle
// one pauses and the step stops repeating; plugged in again as another node,
// it is found.
TEST_F(CPedalTest, PedalIsWaitedForAndPullingOutLetsGo)
{
    m_listener.Configure(m_settings);
    m_clock.Advance(3 * CPedalListener::RESCAN_PERIOD_MS);
    int pedal = Plug(u"event5"_s);
    m_clock.Advance(CPedalListener::RESCAN_PERIOD_MS);
    ASSERT_TRUE(m_listener.IsOpen());
    Send(pedal, BTN_1, 1);
    Send(pedal, BTN_0, 1);
    ASSERT_TRUE(WaitFor([&] { return !m_steps.empty(); }));

    QDir(m_dir.filePath(u"sys/event5"_s)).removeRecursively();
    ::close(pedal);
    ASSERT_TRUE(WaitFor([&] { return !m_listener.IsOpen(); }));
    EXPECT_EQ(m_raised, (std::vector<unsigned>{IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON}));
    m_clock.Advance(3 * CPedalListener::RESCAN_PERIOD_MS);
    EXPECT_EQ(m_steps.size(), 1U);
    EXPECT_EQ(m_nOpens, 1);

    pedal = Plug(u"event9"_s);
    m_clock.Advance(CPedalListener::RESCAN_PERIOD_MS);
    Send(pedal, BTN_1, 1);
    ASSERT_TRUE(WaitForRaised(3));
    EXPECT_TRUE(m_problems.empty());
}

// A node the learner may not read is told of once, naming it and the udev
// rule, and only when denied twice in a row (udev may still be at work on a
// pedal just plugged in); then nothing is tried until a device is plugged in.
TEST_F(CPedalTest, DeniedPedalIsToldOfOnce)
{
    AddDevice(u"event5"_s, "Test Footpedal", kPedalKeys);
    m_opens[NodePath(u"event5"_s)] = {-EACCES, -EACCES, -EACCES};
    m_listener.Configure(m_settings);
    EXPECT_TRUE(m_problems.empty());
    m_clock.Advance(4 * CPedalListener::RESCAN_PERIOD_MS);
    ASSERT_EQ(m_problems.size(), 1);
    EXPECT_TRUE(m_problems[0].contains(NodePath(u"event5"_s)));
    EXPECT_TRUE(m_problems[0].contains(u"resources/60-quillmere-pedal.rules"_s));
    EXPECT_EQ(m_nOpens, 2);
}

// Once chosen, the pedal is read back with its step within range, and cleared
// again it is written cleared. (Without a pedal the profile has no Pedal section:
// the first-run test of the settings sees every key written.)
TEST(PedalSettings, PedalSectionIsWrittenOnceSet)
{
    QTemporaryDir dir;
    CIniProfile profile(dir.filePath(u"quillmere.ini"_s));
    CAppSettings settings, loaded;
    settings.PedalDevice = kPedalId;
    ASSERT_TRUE(settings.Save(profile));
    profile.WriteProfileInt(u"Pedal"_s, u"PedalStep"_s, 5);
    loaded.Load(profile);
    EXPECT_EQ(loaded.PedalDevice, kPedalId);
    EXPECT_EQ(loaded.PedalStep, CAppSettings::kMinPedalStep);
    settings.PedalDevice.clear();
    ASSERT_TRUE(settings.Save(profile));
    loaded.Load(profile);
    EXPECT_TRUE(loaded.PedalDevice.isEmpty());
}

// A virtual pedal of the kernel's, read through libevdev: held, let go,
// repeating, pulled out while held and plugged in again.
TEST_F(CPedalTest, VirtualPedal)
{
    if (!QFile::exists(u"/dev/uinput"_s))
        GTEST_SKIP() << "no /dev/uinput here";
    const auto create = [] {
        libevdev *device = libevdev_new();
        libevdev_set_name(device, "Quillmere virtual pedal");
        libevdev_set_id_vendor(device, 0x05f3);
        libevdev_set_id_product(device, 0x00ff);
        for (unsigned code : {BTN_0, BTN_1, BTN_2})
            libevdev_enable_event_code(device, EV_KEY, code, nullptr);
        libevdev_uinput *made = nullptr;
        libevdev_uinput_create_from_device(device, LIBEVDEV_UINPUT_OPEN_MANAGED, &made);
        libevdev_free(device);
        return made;
    };
    libevdev_uinput *pedal = create();
    if (pedal == nullptr)
        GTEST_SKIP() << "/dev/uinput makes no device here";
    const auto send = [&](unsigned code, int value) {
        libevdev_uinput_write_event(pedal, EV_KEY, code, value);
        libevdev_uinput_write_event(pedal, EV_SYN, SYN_REPORT, 0);
    };
    const auto waitOpen = [&] {
        return WaitFor([&] {
            m_clock.Advance(CPedalListener::RESCAN_PERIOD_MS);
            return m_listener.IsOpen();
        });
    };
    m_listener.SetDevices(CInputDevices());
    m_listener.SetOpener({});
    m_settings.PedalDevice = u"05f3:00ff:Quillmere virtual pedal"_s;
    m_listener.Configure(m_settings);
    ASSERT_TRUE(waitOpen());
    send(BTN_1, 1);
    send(BTN_1, 0);
    send(BTN_0, 1);
    ASSERT_TRUE(WaitFor([&] { return !m_steps.empty(); }));
    m_clock.Advance(CPedalListener::REPEAT_DELAY_MS);
    send(BTN_0, 0);
    send(BTN_1, 1);
    ASSERT_TRUE(WaitForRaised(3));
    libevdev_uinput_destroy(pedal);
    ASSERT_TRUE(WaitFor([&] { return !m_listener.IsOpen(); }));
    EXPECT_EQ(m_raised, (std::vector<unsigned>{IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON, IDC_PLAY_BUTTON, IDC_PAUSE_BUTTON}));
    EXPECT_EQ(m_steps, (std::vector<int>{-2000, -2000}));

    pedal = create();
    ASSERT_TRUE(pedal != nullptr && waitOpen());
    send(BTN_1, 1);
    EXPECT_TRUE(WaitForRaised(5));
    libevdev_uinput_destroy(pedal);
}

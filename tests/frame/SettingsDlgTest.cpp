// The settings dialog alone, and in the running program what OK applies at
// once and what Cancel leaves alone.
#include "frame/CLessonSettingsDlg.h"
#include "frame/CSettingsDlg.h"

#include "ProgramTest.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <tuple>

namespace
{

TEST(SettingsDlgTest, TypedMinutesAreTakenAsTheyAreAndTheArrowsKeepToTheRange)
{
    struct SCase {
        const char *typed;
        bool accepted;
        int minutes; // after OK
        int afterUp; // the box after a click of the up arrow on the typed text
    };
    const SCase cases[] = {
        {"45", true, 45, 30}, {"-3", true, -3, 1},          {" 7 ", true, 7, 8},
        {"abc", false, 2, 1}, {"99999999999", false, 2, 1},
    };
    for (const SCase &c : cases) {
        CRecordingPrompt prompt;
        CAppSettings settings;
        settings.AutoSave = 2;
        CSettingsDlg dialog(settings);
        dialog.AutoSaveEdit()->setText(QString::fromUtf8(c.typed));
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.typed;
        EXPECT_EQ(dialog.m_nAutoSave, c.minutes) << c.typed;
        EXPECT_EQ(prompt.m_messages, c.accepted ? QStringList() : QStringList{QStringLiteral("请输入一个整数。")})
            << c.typed;
        dialog.StepAutoSave(+1);
        EXPECT_EQ(dialog.AutoSaveEdit()->text().toInt(), c.afterUp) << c.typed;
    }
}

// A move step the list lacks is kept unless an item is chosen; the back-step
// list shows the setting and sits beside the move step, inside the dialog.
TEST(SettingsDlgTest, AMoveStepTheListLacksIsKeptAndTheBackStepListSitsBesideIt)
{
    CAppSettings settings;
    settings.MoveStep = 300;
    settings.BackStep = 4;
    for (const auto &[chosen, typed, step] : {std::tuple{-1, "", 300}, {2, "", 2000}, {1, "3s", 300}}) {
        CSettingsDlg dialog(settings);
        EXPECT_EQ(dialog.MoveStepCombo()->currentIndex(), -1);
        dialog.MoveStepCombo()->setCurrentIndex(chosen);
        if (*typed != 0)
            dialog.MoveStepCombo()->setEditText(QString::fromLatin1(typed)); // typed over the item: none chosen
        dialog.accept();
        EXPECT_EQ(dialog.m_nMoveStep, step) << chosen << typed;
        EXPECT_EQ(dialog.BackStepCombo()->currentText(), QStringLiteral("4s"));
        const QRect list = dialog.BackStepCombo()->geometry();
        EXPECT_GT(list.left(), dialog.MoveStepCombo()->geometry().right());
        EXPECT_LE(list.right(), dialog.width());
    }
}

// The program itself, with the dialog answered the way a learner fills it in.
class SettingsCommandTest : public CProgramTest
{
protected:
    void SetUp() override { Start(); }

    // Opens the dialog from its command; fill runs on the shown dialog, then
    // OK or Cancel is pressed.
    void RunSettings(const std::function<void(CSettingsDlg &)> &fill, bool ok = true)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = dynamic_cast<CSettingsDlg *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            answered = true;
            fill(*dialog);
            ok ? dialog->accept() : dialog->reject();
        });
        ASSERT_TRUE(Raise(ID_SETTINGS));
        EXPECT_TRUE(answered);
    }
    bool OnTop() { return Frame().windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
};

TEST_F(SettingsCommandTest, OkAppliesTheWindowLayerAndTheAutoSaveAtOnceAndCancelNothing)
{
    const auto onTopEveryFiveMinutes = [](CSettingsDlg &dialog) {
        dialog.AlwaysTopCheck()->setChecked(true);
        dialog.AutoSaveEdit()->setText(QStringLiteral("5"));
        dialog.MoveStepCombo()->setCurrentIndex(2); // "2s"
        dialog.BackStepCombo()->setCurrentIndex(3); // "3s"
    };
    RunSettings(onTopEveryFiveMinutes, false);
    EXPECT_FALSE(OnTop());
    EXPECT_EQ(m_pApp->EditorView().GetAutoSavePeriod(), 0);
    EXPECT_EQ(m_pApp->Settings().MoveStep, 100);
    EXPECT_EQ(m_pApp->Settings().BackStep, 0);

    RunSettings(onTopEveryFiveMinutes);
    EXPECT_TRUE(OnTop());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(m_pApp->EditorView().GetAutoSavePeriod(), 5 * 60000);
    EXPECT_EQ(m_pApp->Settings().MoveStep, 2000);
    EXPECT_EQ(m_pApp->Settings().BackStep, 3);

    RunSettings([](CSettingsDlg &dialog) {
        dialog.AlwaysTopCheck()->setChecked(false);
        dialog.AutoSaveEdit()->setText(QStringLiteral("0"));
    });
    EXPECT_FALSE(OnTop());
    EXPECT_EQ(m_pApp->EditorView().GetAutoSavePeriod(), 0);
}

TEST_F(SettingsCommandTest, ComingBackFromTheTrayOrSwitchingItOffRemovesItsIcon)
{
    Frame().SetTrayAvailability([] { return true; });
    m_pApp->Settings().MinimizeToTray = true;
    Frame().showMinimized();
    ASSERT_TRUE(Frame().IsTrayIconShown());
    Frame().BringToFront(); // as a second start does
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().IsInTray());
    EXPECT_FALSE(Frame().IsTrayIconShown());

    Frame().showMinimized();
    ASSERT_TRUE(Frame().IsTrayIconShown());

    RunSettings([](CSettingsDlg &dialog) { dialog.MinimizeToTrayCheck()->setChecked(false); });
    EXPECT_FALSE(Frame().IsTrayIconShown());
    EXPECT_FALSE(m_pApp->Settings().MinimizeToTray);
}

} // namespace

// A pedal chosen before and not plugged in now stays chosen; "无" clears it; a longest
// stretch set below the shortest is raised to it.
TEST(LessonSettingsDlgTest, AnUnpluggedPedalStaysChosenAndTheLengthsStayInOrder)
{
    CAppSettings settings;
    settings.PedalDevice = QStringLiteral("05f3:00ff:Pedal");
    CLessonSettingsDlg dialog(
        settings, {{QStringLiteral("Keyboard (0001:0001, /dev/input/event3)"), QStringLiteral("0001:0001:Keyboard")}});
    QComboBox &devices = *dialog.DeviceCombo();
    ASSERT_EQ(devices.count(), 3);
    EXPECT_EQ(devices.currentText(), QStringLiteral("05f3:00ff:Pedal（未连接）"));
    CAppSettings stored;
    dialog.StoreInto(stored);
    EXPECT_EQ(stored.PedalDevice, settings.PedalDevice);

    devices.setCurrentIndex(0);
    dialog.findChild<QSpinBox *>()->setValue(400); // the shortest pause
    for (QSpinBox *box : dialog.findChildren<QSpinBox *>())
        if (box->accessibleName() == QStringLiteral("每段至多"))
            box->setValue(1000);
    dialog.StoreInto(stored);
    EXPECT_EQ(stored.PedalDevice, QString());
    EXPECT_EQ(stored.MinPauseMs, 400);
    EXPECT_EQ(stored.LongestStretchMs, stored.ShortestStretchMs);
}

// The settings dialog alone, and in the running program what OK applies at
// once and what Cancel leaves alone.
#include "frame/CSettingsDlg.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
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

TEST(SettingsDlgTest, AMoveStepTheListLacksIsKeptUnlessAnItemIsChosen)
{
    CAppSettings settings;
    settings.MoveStep = 300;
    for (const auto &[chosen, typed, step] : {std::tuple{-1, "", 300}, {2, "", 2000}, {1, "3s", 300}}) {
        CSettingsDlg dialog(settings);
        EXPECT_EQ(dialog.MoveStepCombo()->currentIndex(), -1);
        dialog.MoveStepCombo()->setCurrentIndex(chosen);
        if (*typed != 0)
            dialog.MoveStepCombo()->setEditText(QString::fromLatin1(typed)); // typed over the item: none chosen
        dialog.accept();
        EXPECT_EQ(dialog.m_nMoveStep, step) << chosen << typed;
    }
}

// The back-step list shows the setting and sits beside the move step, inside
// the dialog, without covering it.
TEST(SettingsDlgTest, TheBackStepListShowsTheSettingBesideTheMoveStep)
{
    CAppSettings settings;
    settings.BackStep = 4;
    CSettingsDlg dialog(settings);
    EXPECT_EQ(dialog.BackStepCombo()->currentText(), QStringLiteral("4s"));
    EXPECT_EQ(dialog.BackStepCombo()->count(), CAppSettings::kMaxBackStep + 1);
    const QRect list = dialog.BackStepCombo()->geometry();
    EXPECT_GT(list.left(), dialog.MoveStepCombo()->geometry().right());
    EXPECT_LE(list.right(), dialog.width());
}

// The program itself, with the dialog answered the way a learner fills it in.
class SettingsCommandTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_pApp = std::make_unique<CQuillmereApp>(m_dir.filePath(QStringLiteral("q.ini")),
                                                 m_dir.filePath(QStringLiteral("Playlist.Qpl")));
        ASSERT_TRUE(m_pApp->InitInstance({QStringLiteral("quillmere")}, false));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    }
    void TearDown() override
    {
        Frame().close();
        m_pApp->ExitInstance();
    }

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
        ASSERT_TRUE(Frame().RaiseCommand(ID_SETTINGS));
        EXPECT_TRUE(answered);
    }

    CMainFrame &Frame() { return m_pApp->MainFrame(); }
    bool OnTop() { return Frame().windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt{CPrompt::IDNO};
    std::unique_ptr<CQuillmereApp> m_pApp;
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

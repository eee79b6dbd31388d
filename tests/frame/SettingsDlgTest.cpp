// The settings dialog in the running program: what OK applies at once and
// what Cancel leaves alone.
#include "frame/CSettingsDlg.h"

#include "ProgramTest.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace
{

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

} // namespace

// The settings dialog (工具 → 设置...): the auto-save interval with its
// arrows, minimise to the notification area, always on top, the move step
// of the selection's bounds and how far resuming after a pause goes back. It
// edits copies of the five settings; the command that opens it stores and
// applies them when it closes with OK.
#pragma once

#include <QDialog>
#include <cstdint>

class CAppSettings;
class CDialogUnits;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRect;

class CSettingsDlg : public QDialog
{
public:
    // The arrows keep the auto-save minutes within these bounds; a number
    // typed into the box is taken as it is.
    static constexpr int kAutoSaveMin = 0, kAutoSaveMax = 30;
    // The move steps offered, in milliseconds, in the list's order.
    static constexpr std::int32_t kMoveSteps[] = {100, 1000, 2000, 5000};

    explicit CSettingsDlg(const CAppSettings &settings, QWidget *parent = nullptr);

    // OK: the controls go into the five values and the dialog closes, unless
    // the auto-save box holds no integer; then the learner is asked for one
    // and the dialog stays open.
    void accept() override;

    // Copies the five values into the settings (after OK).
    void StoreInto(CAppSettings &settings) const;

    // One click of the auto-save arrows: +1 up, -1 down.
    void StepAutoSave(int delta);

    QLineEdit *AutoSaveEdit() const { return m_pAutoSaveEdit; }
    QCheckBox *MinimizeToTrayCheck() const { return m_pMinToTray; }
    QCheckBox *AlwaysTopCheck() const { return m_pAlwaysTop; }
    QComboBox *MoveStepCombo() const { return m_pMoveStep; }
    QComboBox *BackStepCombo() const { return m_pBackStep; }

    bool m_bAlwaysTop;
    std::int32_t m_nMoveStep; // milliseconds
    std::int32_t m_nAutoSave; // minutes
    bool m_bMinimizeToTray;
    std::int32_t m_nBackStep; // seconds

private:
    void CreateControls();
    void CreateAutoSaveBox(const QRect &place, int arrowWidth);
    void CreateBackStepList(const CDialogUnits &units);
    void ShowValues();
    int SelectedMoveStep() const;

    QLineEdit *m_pAutoSaveEdit = nullptr;
    QCheckBox *m_pMinToTray = nullptr;
    QCheckBox *m_pAlwaysTop = nullptr;
    QComboBox *m_pMoveStep = nullptr;
    QComboBox *m_pBackStep = nullptr;
};

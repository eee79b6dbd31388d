// The dialog 分段与脚踏板 (工具 → 分段与脚踏板设置...): the lengths by which a recording
// without stretches is cut at its pauses, and the foot pedal: the input device, the
// step of the side pedals and whether the middle pedal plays only while held.
#pragma once

#include <QDialog>

class CAppSettings;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QSpinBox;

class CLessonSettingsDlg : public QDialog
{
public:
    // devices: the input devices offered, as (label, id) pairs.
    CLessonSettingsDlg(const CAppSettings &settings, const QList<QPair<QString, QString>> &devices,
                       QWidget *parent = nullptr);

    // The values shown go into the settings (after OK).
    void StoreInto(CAppSettings &settings) const;

    QComboBox *DeviceCombo() const { return m_pDevice; }

private:
    QSpinBox *AddMilliseconds(QFormLayout &form, const QString &caption, int value, int minimum, int maximum);

    QSpinBox *m_pMinPause = nullptr;
    QSpinBox *m_pShortest = nullptr;
    QSpinBox *m_pLongest = nullptr;
    QComboBox *m_pDevice = nullptr;
    QSpinBox *m_pStep = nullptr;
    QCheckBox *m_pHold = nullptr;
};

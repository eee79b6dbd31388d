#include "frame/CLessonSettingsDlg.h"

#include "app/CAppSettings.h"
#include "widgets/FontFaces.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CLessonSettingsDlg::CLessonSettingsDlg(const CAppSettings &settings, const QList<QPair<QString, QString>> &devices,
                                       QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("分段与脚踏板"));
    setAccessibleName(windowTitle());
    setFont(DialogFont(9));
    auto *layout = new QVBoxLayout(this);

    auto *stretches = new QGroupBox(QStringLiteral("在停顿处自动分段"), this);
    auto *lengths = new QFormLayout(stretches);
    m_pMinPause = AddMilliseconds(*lengths, QStringLiteral("最短停顿"), settings.MinPauseMs, 50, 5000);
    m_pShortest = AddMilliseconds(*lengths, QStringLiteral("每段至少"), settings.ShortestStretchMs, 0, 60000);
    m_pLongest = AddMilliseconds(*lengths, QStringLiteral("每段至多"), settings.LongestStretchMs, 1000, 600000);
    layout->addWidget(stretches);

    auto *pedal = new QGroupBox(QStringLiteral("脚踏板"), this);
    auto *form = new QFormLayout(pedal);
    m_pDevice = new QComboBox(pedal);
    m_pDevice->setAccessibleName(QStringLiteral("脚踏板设备"));
    m_pDevice->addItem(QStringLiteral("无"), QString());
    for (const auto &[label, id] : devices)
        m_pDevice->addItem(label, id);
    // A pedal chosen before but not plugged in now stays chosen.
    if (!settings.PedalDevice.isEmpty() && m_pDevice->findData(settings.PedalDevice) < 0)
        m_pDevice->addItem(QStringLiteral("%1（未连接）").arg(settings.PedalDevice), settings.PedalDevice);
    m_pDevice->setCurrentIndex(std::max(0, m_pDevice->findData(settings.PedalDevice)));
    form->addRow(QStringLiteral("设备"), m_pDevice);
    m_pStep = AddMilliseconds(*form, QStringLiteral("左右踏板步长"), settings.PedalStep, CAppSettings::kMinPedalStep,
                              CAppSettings::kMaxPedalStep);
    m_pHold = new QCheckBox(QStringLiteral("踩住中间踏板时播放，松开暂停"), pedal);
    m_pHold->setChecked(settings.PedalHold);
    form->addRow(m_pHold);
    layout->addWidget(pedal);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QSpinBox *CLessonSettingsDlg::AddMilliseconds(QFormLayout &form, const QString &caption, int value, int minimum,
                                              int maximum)
{
    auto *box = new QSpinBox(this);
    box->setRange(minimum, maximum);
    box->setSingleStep(100);
    box->setSuffix(QStringLiteral(" 毫秒"));
    box->setValue(value);
    box->setAccessibleName(caption);
    form.addRow(caption, box);
    return box;
}

void CLessonSettingsDlg::StoreInto(CAppSettings &settings) const
{
    settings.MinPauseMs = m_pMinPause->value();
    settings.ShortestStretchMs = m_pShortest->value();
    settings.LongestStretchMs = std::max(m_pLongest->value(), m_pShortest->value());
    settings.PedalDevice = m_pDevice->currentData().toString();
    settings.PedalStep = m_pStep->value();
    settings.PedalHold = m_pHold->isChecked();
}

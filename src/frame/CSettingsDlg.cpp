#include "frame/CSettingsDlg.h"

#include "app/CAppSettings.h"
#include "base/CPrompt.h"
#include "widgets/DialogUnits.h"
#include "widgets/FontFaces.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

namespace
{

// Asked when the minutes box holds no integer.
const QString g_strEnterInteger = QStringLiteral("请输入一个整数。");

// A text is wider in some fonts than the dialog's units allow for: such a
// control grows to the right rather than cutting its text off.
void PlaceText(QWidget *control, QRect place)
{
    place.setWidth(std::max(place.width(), control->sizeHint().width()));
    place.setHeight(std::max(place.height(), control->sizeHint().height()));
    control->setGeometry(place);
}

// An integer as the dialog boxes read one: an optional sign and digits,
// spaces around them allowed. A number beyond the 32-bit range is none.
bool ReadInteger(const QString &text, std::int32_t &value)
{
    bool ok = false;
    const int read = text.trimmed().toInt(&ok);
    if (ok)
        value = read;
    return ok;
}

} // namespace

CSettingsDlg::CSettingsDlg(const CAppSettings &settings, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_bAlwaysTop(settings.AlwaysTop), m_nMoveStep(settings.MoveStep), m_nAutoSave(settings.AutoSave),
      m_bMinimizeToTray(settings.MinimizeToTray), m_nBackStep(settings.BackStep)
{
    setFont(DialogFont(9));
    setWindowTitle(QStringLiteral("设置"));
    setAccessibleName(windowTitle());
    CreateControls();
    ShowValues();
}

void CSettingsDlg::CreateControls()
{
    // Created in the order of the tab stops; the group boxes first, so that
    // they lie under the controls they frame.
    const CDialogUnits units(font());
    auto *savingGroup = new QGroupBox(QStringLiteral("听写文件保存设置"), this);
    savingGroup->setGeometry(units.ToPixels(QRect(7, 7, 286, 37)));
    auto *windowGroup = new QGroupBox(QStringLiteral("窗口设置"), this);
    windowGroup->setGeometry(units.ToPixels(QRect(7, 52, 286, 32)));
    PlaceText(new QLabel(QStringLiteral("自动保存的时间"), this), units.ToPixels(QRect(18, 25, 58, 8)));
    CreateAutoSaveBox(units.ToPixels(QRect(80, 22, 40, 14)), units.ToPixelsX(11));
    PlaceText(new QLabel(QStringLiteral("（单位：分钟） 0为不自动保存"), this), units.ToPixels(QRect(124, 25, 113, 8)));
    m_pMinToTray = new QCheckBox(QStringLiteral("最小化到系统托盘区"), this);
    PlaceText(m_pMinToTray, units.ToPixels(QRect(16, 66, 75, 12)));
    m_pAlwaysTop = new QCheckBox(QStringLiteral("窗口总在最前面"), this);
    PlaceText(m_pAlwaysTop, units.ToPixels(QRect(113, 66, 75, 12)));
    PlaceText(new QLabel(QStringLiteral("选择点移动步长"), this), units.ToPixels(QRect(15, 93, 56, 8)));
    m_pMoveStep = new QComboBox(this);
    m_pMoveStep->setEditable(true);
    m_pMoveStep->setInsertPolicy(QComboBox::NoInsert);
    m_pMoveStep->setAccessibleName(QStringLiteral("选择点移动步长"));
    m_pMoveStep->addItems({QStringLiteral("0.1s"), QStringLiteral("1s"), QStringLiteral("2s"), QStringLiteral("5s")});
    PlaceText(m_pMoveStep, units.ToPixels(QRect(78, 91, 52, 12)));
    CreateBackStepList(units);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setGeometry(units.ToPixels(QRect(189, 114, 50, 14)));
    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setGeometry(units.ToPixels(QRect(243, 114, 50, 14)));
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
    // A wide font may push the back-step list past the template's width.
    QSize size = units.ToPixels(QSize(300, 135));
    size.setWidth(std::max(size.width(), m_pBackStep->geometry().right() + units.ToPixelsX(7)));
    setFixedSize(size);
}

// How far resuming after a pause goes back: none, or 1 to 10 seconds.
void CSettingsDlg::CreateBackStepList(const CDialogUnits &units)
{
    const QString caption = QStringLiteral("暂停后继续时后退");
    auto *label = new QLabel(caption, this);
    PlaceText(label, units.ToPixels(QRect(148, 93, 70, 8)));
    m_pBackStep = new QComboBox(this);
    m_pBackStep->setAccessibleName(caption);
    for (int seconds = 0; seconds <= CAppSettings::kMaxBackStep; ++seconds)
        m_pBackStep->addItem(QStringLiteral("%1s").arg(seconds));
    QRect place = units.ToPixels(QRect(0, 91, 40, 12));
    place.moveLeft(label->geometry().right() + units.ToPixelsX(4));
    PlaceText(m_pBackStep, place);
}

// The box for the minutes with its two arrows standing inside the right end
// of its place, each half as tall as the box.
void CSettingsDlg::CreateAutoSaveBox(const QRect &place, int arrowWidth)
{
    m_pAutoSaveEdit = new QLineEdit(this);
    m_pAutoSaveEdit->setAccessibleName(QStringLiteral("自动保存的时间"));
    m_pAutoSaveEdit->setGeometry(place.adjusted(0, 0, -arrowWidth, 0));
    const QRect arrows(place.right() - arrowWidth + 1, place.top(), arrowWidth, place.height());
    const auto addArrow = [this](Qt::ArrowType direction, const QString &name, int delta, const QRect &rect) {
        auto *arrow = new QToolButton(this);
        arrow->setArrowType(direction);
        arrow->setAccessibleName(name);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setGeometry(rect);
        connect(arrow, &QToolButton::clicked, this, [this, delta] { StepAutoSave(delta); });
    };
    addArrow(Qt::UpArrow, QStringLiteral("增加一分钟"), +1, arrows.adjusted(0, 0, 0, -arrows.height() / 2));
    addArrow(Qt::DownArrow, QStringLiteral("减少一分钟"), -1,
             arrows.adjusted(0, arrows.height() - arrows.height() / 2, 0, 0));
}

// A move step the list does not offer (a profile may hold any number) shows
// no item; OK then keeps it.
void CSettingsDlg::ShowValues()
{
    m_pAutoSaveEdit->setText(QString::number(m_nAutoSave));
    m_pMinToTray->setChecked(m_bMinimizeToTray);
    m_pAlwaysTop->setChecked(m_bAlwaysTop);
    m_pBackStep->setCurrentIndex(m_nBackStep);
    const auto *const step = std::find(std::begin(kMoveSteps), std::end(kMoveSteps), m_nMoveStep);
    m_pMoveStep->setCurrentIndex(step == std::end(kMoveSteps) ? -1 : int(step - std::begin(kMoveSteps)));
}

void CSettingsDlg::StepAutoSave(int delta)
{
    std::int32_t minutes = kAutoSaveMin;
    ReadInteger(m_pAutoSaveEdit->text(), minutes);
    minutes = std::clamp(std::clamp(minutes, kAutoSaveMin, kAutoSaveMax) + delta, kAutoSaveMin, kAutoSaveMax);
    m_pAutoSaveEdit->setText(QString::number(minutes));
}

// The chosen item of the move-step list; -1 when none is chosen or the text
// typed over it is not the item's.
int CSettingsDlg::SelectedMoveStep() const
{
    const int index = m_pMoveStep->currentIndex();
    return index >= 0 && m_pMoveStep->currentText() == m_pMoveStep->itemText(index) ? index : -1;
}

void CSettingsDlg::accept()
{
    const int step = SelectedMoveStep();
    if (step != -1)
        m_nMoveStep = kMoveSteps[step];
    m_bMinimizeToTray = m_pMinToTray->isChecked();
    m_bAlwaysTop = m_pAlwaysTop->isChecked();
    m_nBackStep = m_pBackStep->currentIndex();
    if (!ReadInteger(m_pAutoSaveEdit->text(), m_nAutoSave)) {
        Prompt().MessageBox(g_strEnterInteger, CPrompt::MB_OK | CPrompt::MB_ICONEXCLAMATION);
        m_pAutoSaveEdit->setFocus();
        m_pAutoSaveEdit->selectAll();
        return;
    }
    QDialog::accept();
}

void CSettingsDlg::StoreInto(CAppSettings &settings) const
{
    settings.AlwaysTop = m_bAlwaysTop;
    settings.MoveStep = m_nMoveStep;
    settings.AutoSave = m_nAutoSave;
    settings.MinimizeToTray = m_bMinimizeToTray;
    settings.BackStep = m_nBackStep;
}

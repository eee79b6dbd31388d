#include "views/CMediaPropertiesDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// 288 x 214 dialog units of a 9-point font.
constexpr int kWidth = 432;
constexpr int kHeight = 321;

} // namespace

CMediaPropertiesDlg::CMediaPropertiesDlg(const QString &report, QWidget *parent)
    : QDialog(parent), m_pReport(new QPlainTextEdit(report, this))
{
    setWindowTitle(QStringLiteral("媒体属性"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_pReport->setObjectName(QStringLiteral("MediaInfoText"));
    m_pReport->setAccessibleName(QStringLiteral("媒体属性"));
    m_pReport->setReadOnly(true);
    // The report's columns are lined up with spaces: a fixed-pitch font and
    // no wrapping keep them so.
    m_pReport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pReport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pReport);
    layout->addWidget(buttons);
    resize(kWidth, kHeight);
    ok->setFocus();
}

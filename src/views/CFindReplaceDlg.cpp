#include "views/CFindReplaceDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CFindReplaceDlg::CFindReplaceDlg(bool replace, const SFindOptions &start, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(replace ? QStringLiteral("替换") : QStringLiteral("查找"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *fields = new QFormLayout;
    m_pFindEdit = new QLineEdit(start.m_strFind, this);
    m_pFindEdit->setAccessibleName(QStringLiteral("查找内容"));
    fields->addRow(QStringLiteral("查找内容(&N):"), m_pFindEdit);
    if (replace) {
        m_pReplaceEdit = new QLineEdit(start.m_strReplace, this);
        m_pReplaceEdit->setAccessibleName(QStringLiteral("替换为"));
        fields->addRow(QStringLiteral("替换为(&P):"), m_pReplaceEdit);
    }
    m_pWholeWord = new QCheckBox(QStringLiteral("全字匹配(&W)"), this);
    m_pWholeWord->setChecked(start.m_bWholeWord);
    m_pMatchCase = new QCheckBox(QStringLiteral("区分大小写(&C)"), this);
    m_pMatchCase->setChecked(start.m_bMatchCase);
    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(m_pWholeWord);
    left->addWidget(m_pMatchCase);
    if (!replace) {
        auto *direction = new QGroupBox(QStringLiteral("方向"), this);
        auto *row = new QHBoxLayout(direction);
        m_pUp = new QRadioButton(QStringLiteral("向上(&U)"), direction);
        auto *down = new QRadioButton(QStringLiteral("向下(&D)"), direction);
        (start.m_bDown ? down : m_pUp)->setChecked(true);
        row->addWidget(m_pUp);
        row->addWidget(down);
        left->addWidget(direction);
    }
    left->addStretch();

    m_pButtonColumn = new QVBoxLayout;
    AddButton(FindNext, QStringLiteral("查找下一个(&F)"));
    if (replace) {
        AddButton(ReplaceOne, QStringLiteral("替换(&R)"));
        AddButton(ReplaceAll, QStringLiteral("全部替换(&A)"));
    }
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    m_pButtonColumn->addWidget(cancel);
    m_pButtonColumn->addStretch();
    m_buttons[FindNext]->setDefault(true);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(m_pButtonColumn);
    connect(m_pFindEdit, &QLineEdit::textChanged, this, &CFindReplaceDlg::UpdateButtons);
    UpdateButtons();
}

void CFindReplaceDlg::AddButton(EAction action, const QString &text)
{
    m_buttons[action] = new QPushButton(text, this);
    connect(m_buttons[action], &QPushButton::clicked, this, [this, action] { Raise(action); });
    m_pButtonColumn->addWidget(m_buttons[action]);
}

// Nothing to search for: nothing to press but Cancel.
void CFindReplaceDlg::UpdateButtons()
{
    for (QPushButton *button : m_buttons)
        if (button != nullptr)
            button->setEnabled(!m_pFindEdit->text().isEmpty());
}

SFindOptions CFindReplaceDlg::Options() const
{
    SFindOptions options;
    options.m_strFind = m_pFindEdit->text();
    if (m_pReplaceEdit != nullptr)
        options.m_strReplace = m_pReplaceEdit->text();
    options.m_bMatchCase = m_pMatchCase->isChecked();
    options.m_bWholeWord = m_pWholeWord->isChecked();
    options.m_bDown = m_pUp == nullptr || !m_pUp->isChecked(); // replacing always searches down
    return options;
}

void CFindReplaceDlg::Raise(EAction action)
{
    if (m_onAction)
        m_onAction(action, Options());
}

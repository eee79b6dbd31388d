#include "frame/CCheckReportDlg.h"

#include "app/CStringTable.h"
#include "app/Resource.h"
#include "base/TimeUtils.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

enum EColumn { COL_START, COL_END, COL_SCORE, COL_PREVIOUS, COL_TEXT };
// Where a row keeps its stretch and the rich form of its text.
constexpr int kStartRole = Qt::UserRole, kEndRole = Qt::UserRole + 1, kHtmlRole = Qt::UserRole + 2;

QString ScoreOf(const std::optional<int> &percent, bool attempted)
{
    if (!attempted)
        return QStringLiteral("未练习");
    return percent ? QStringLiteral("%1%").arg(*percent) : QStringLiteral("—");
}

// Paints the text column's marked words from their rich form.
class CMarkedTextDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QString html = index.data(kHtmlRole).toString();
        if (html.isEmpty())
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        QTextDocument document;
        document.setDocumentMargin(0);
        document.setDefaultFont(option.font);
        document.setHtml(html);
        // Centred in the row like the plain columns beside it.
        const qreal top = (option.rect.height() - document.size().height()) / 2;
        painter->save();
        painter->translate(option.rect.left() + 3, option.rect.top() + top);
        painter->setClipRect(QRectF(0, -top, option.rect.width(), option.rect.height()));
        document.drawContents(painter);
        painter->restore();
    }
};

} // namespace

CCheckReportDlg::CCheckReportDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("听写检查"));
    setModal(false);
    // Shown beside the editor, which keeps the keyboard: the learner types on.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_pScore = new QLabel(this);
    QFont big = m_pScore->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    m_pScore->setFont(big);
    m_pCounts = new QLabel(this);
    m_pRows = new QTreeWidget(this);
    m_pRows->setAccessibleName(QStringLiteral("各段的检查结果"));
    m_pRows->setRootIsDecorated(false);
    m_pRows->setHeaderLabels({LoadResString(IDS_COLUMN_START), LoadResString(IDS_COLUMN_END), QStringLiteral("得分"),
                              QStringLiteral("上次"), QStringLiteral("参考文本")});
    m_pRows->header()->setStretchLastSection(true);
    m_pRows->setItemDelegateForColumn(COL_TEXT, new CMarkedTextDelegate(m_pRows));
    connect(m_pRows, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        emit StretchChosen(item->data(COL_START, kStartRole).toUInt(), item->data(COL_START, kEndRole).toUInt());
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pScore);
    layout->addWidget(m_pCounts);
    layout->addWidget(m_pRows, 1);
    resize(720, 420);
}

QString CCheckReportDlg::ScoreText() const
{
    return m_pScore->text();
}

QString CCheckReportDlg::CountsText() const
{
    return m_pCounts->text();
}

void CCheckReportDlg::ShowReport(const SCheckReport &report)
{
    const std::optional<int> percent = report.totals.Percent();
    QString score =
        QStringLiteral("正确率 %1").arg(percent ? QStringLiteral("%1%").arg(*percent) : QStringLiteral("—"));
    if (report.previousPercent)
        score += QStringLiteral("（上次 %1%）").arg(*report.previousPercent);
    m_pScore->setText(score);
    m_pScore->setAccessibleName(score);
    const QString counts = QStringLiteral("错误 %1 · 遗漏 %2 · 多余 %3 · 提示 %4")
                               .arg(report.totals.m_nWrong)
                               .arg(report.totals.m_nMissing)
                               .arg(report.totals.m_nExtra)
                               .arg(report.nHints);
    m_pCounts->setText(counts);
    m_pCounts->setAccessibleName(counts);
    m_pRows->clear();
    QList<QTreeWidgetItem *> items;
    for (const SReportStretch &stretch : report.stretches) {
        auto *item =
            new QTreeWidgetItem(QStringList{FormatMinSecOfMs(stretch.dwStartMs), FormatMinSecOfMs(stretch.dwEndMs),
                                            ScoreOf(stretch.percent, stretch.bAttempted),
                                            stretch.previous ? QStringLiteral("%1%").arg(*stretch.previous) : QString(),
                                            // What is still to be written is not given away.
                                            stretch.bAttempted ? SpokenText(stretch.words) : QString()});
        item->setData(COL_START, kStartRole, stretch.dwStartMs);
        item->setData(COL_START, kEndRole, stretch.dwEndMs);
        item->setData(COL_TEXT, kHtmlRole, stretch.bAttempted ? MarkedHtml(stretch.words) : QString());
        items.append(item);
    }
    m_pRows->addTopLevelItems(items);
    for (int column : {COL_START, COL_END, COL_SCORE, COL_PREVIOUS})
        m_pRows->resizeColumnToContents(column);
}

// Wrong: the word, then what was typed; missing and extra in brackets.
QString CCheckReportDlg::SpokenText(const std::vector<SMarkedWord> &words)
{
    QStringList parts;
    for (const SMarkedWord &word : words) {
        switch (word.eMark) {
        case SMarkedWord::EMark::Correct: parts.append(word.strWord); break;
        case SMarkedWord::EMark::Wrong:
            parts.append(QStringLiteral("%1（写成 %2）").arg(word.strWord, word.strTyped));
            break;
        case SMarkedWord::EMark::Missing: parts.append(QStringLiteral("［漏 %1］").arg(word.strWord)); break;
        case SMarkedWord::EMark::Extra: parts.append(QStringLiteral("［多 %1］").arg(word.strWord)); break;
        }
    }
    return parts.join(u' ');
}

QString CCheckReportDlg::MarkedHtml(const std::vector<SMarkedWord> &words)
{
    QStringList parts;
    for (const SMarkedWord &word : words) {
        const QString text = word.strWord.toHtmlEscaped();
        switch (word.eMark) {
        case SMarkedWord::EMark::Correct: parts.append(text); break;
        case SMarkedWord::EMark::Wrong:
            parts.append(QStringLiteral("<span style=\"color:#c62828;font-weight:bold\">%1</span>"
                                        "<span style=\"color:#c62828\">（写成 <s>%2</s>）</span>")
                             .arg(text, word.strTyped.toHtmlEscaped()));
            break;
        case SMarkedWord::EMark::Missing:
            parts.append(QStringLiteral("<span style=\"color:#ef6c00;font-weight:bold\">［漏 %1］</span>").arg(text));
            break;
        case SMarkedWord::EMark::Extra:
            parts.append(QStringLiteral("<span style=\"color:#1565c0\">［多 <s>%1</s>］</span>").arg(text));
            break;
        }
    }
    return parts.join(u' ');
}

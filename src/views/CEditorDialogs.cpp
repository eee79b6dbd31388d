#include "views/CEditorDialogs.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

bool CEditorDialogs::ChooseFont(QFont &font, QColor &)
{
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, font, m_pOwner, QStringLiteral("字体"));
    if (accepted)
        font = chosen;
    return accepted;
}

bool CEditorDialogs::ChooseColor(QColor &color)
{
    const QColor chosen = QColorDialog::getColor(color, m_pOwner, QStringLiteral("颜色"));
    if (!chosen.isValid())
        return false;
    color = chosen;
    return true;
}

int CEditorDialogs::ChoosePasteFormat(const QStringList &formats)
{
    bool accepted = false;
    const QString chosen = QInputDialog::getItem(m_pOwner, QStringLiteral("选择性粘贴"), QStringLiteral("作为(&A):"),
                                                 formats, 0, false, &accepted);
    return accepted ? static_cast<int>(formats.indexOf(chosen)) : -1;
}

bool CEditorDialogs::ChoosePrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, m_pOwner);
    return dialog.exec() == QDialog::Accepted;
}

void CEditorDialogs::ShowPrintPreview(QPrinter &printer, const std::function<void(QPrinter &)> &paint)
{
    QPrintPreviewDialog preview(&printer, m_pOwner);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter *target) { paint(*target); });
    preview.exec();
}

#include "frame/CWidgetPrompt.h"

#include "app/CStringTable.h"
#include "app/Resource.h"
#include "frame/CTypingGuard.h"
#include "views/CMediaPropertiesDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

namespace
{

QMessageBox::Icon IconOf(unsigned flags)
{
    switch (flags & 0xF0) {
    case CPrompt::MB_ICONERROR: return QMessageBox::Critical;
    case CPrompt::MB_ICONQUESTION: return QMessageBox::Question;
    case CPrompt::MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case CPrompt::MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

struct SButton {
    int answer;
    const char16_t *text;
    QMessageBox::ButtonRole role;
};

// The buttons of a style, in the order they are shown, with Chinese captions.
std::vector<SButton> ButtonsOf(unsigned flags)
{
    constexpr SButton ok{CPrompt::IDOK, u"确定", QMessageBox::AcceptRole};
    constexpr SButton cancel{CPrompt::IDCANCEL, u"取消", QMessageBox::RejectRole};
    constexpr SButton yes{CPrompt::IDYES, u"是(&Y)", QMessageBox::YesRole};
    constexpr SButton no{CPrompt::IDNO, u"否(&N)", QMessageBox::NoRole};
    switch (flags & 0xF) {
    case CPrompt::MB_OKCANCEL: return {ok, cancel};
    case CPrompt::MB_YESNOCANCEL: return {yes, no, cancel};
    case CPrompt::MB_YESNO: return {yes, no};
    default: return {ok};
    }
}

} // namespace

int CWidgetPrompt::MessageBox(const QString &text, unsigned flags, const QString &caption)
{
    QMessageBox box(IconOf(flags), caption.isEmpty() ? LoadResString(AFX_IDS_APP_TITLE) : caption, text,
                    QMessageBox::NoButton, m_pOwner);
    std::vector<std::pair<QAbstractButton *, int>> answers;
    for (const SButton &button : ButtonsOf(flags))
        answers.emplace_back(box.addButton(QString::fromUtf16(button.text), button.role), button.answer);
    // Enter answers the first button: 是 saves, 确定 goes ahead.
    box.setDefaultButton(static_cast<QPushButton *>(answers.front().first));
    // A box can open under the learner's fingers (the save question of an
    // item switch): what they go on typing must not answer it.
    new CTypingGuard(box);
    box.exec();
    for (const auto &[button, answer] : answers)
        if (box.clickedButton() == button)
            return answer;
    // Closed with Esc or the close box: the answer that changes nothing.
    return (flags & 0xF) == MB_YESNO ? IDNO : (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

QStringList CWidgetPrompt::GetOpenFileNames(const QString &caption, const QString &filter, bool multiple)
{
    if (multiple)
        return QFileDialog::getOpenFileNames(m_pOwner, caption, QString(), filter);
    const QString path = QFileDialog::getOpenFileName(m_pOwner, caption, QString(), filter);
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString CWidgetPrompt::GetSaveFileName(const QString &caption, const QString &proposedPath, const QString &filter,
                                       const QString &defaultExtension)
{
    QString path = QFileDialog::getSaveFileName(m_pOwner, caption, proposedPath, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += defaultExtension;
    return path;
}

void CWidgetPrompt::ShowMediaProperties(const QString &report)
{
    CMediaPropertiesDlg dialog(report, m_pOwner);
    dialog.exec();
}

void CWidgetPrompt::ExitProcess(int exitCode)
{
    std::exit(exitCode);
}

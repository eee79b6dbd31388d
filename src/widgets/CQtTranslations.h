// Qt's own texts (the buttons and labels of its print, page set-up, file,
// colour and font dialogs, the context menus of text fields) in the
// interface's language, simplified Chinese, whatever the desktop's language:
// the program's own texts are Chinese, and one language throughout reads
// better than two. Installed for as long as the object lives.
#pragma once

#include <QString>
#include <QTranslator>

class CQtTranslations
{
public:
    CQtTranslations();
    ~CQtTranslations();

    CQtTranslations(const CQtTranslations &) = delete;
    CQtTranslations &operator=(const CQtTranslations &) = delete;

    // False when Qt's translations are not installed (the dialogs stay in
    // English); Problem() then says where they were looked for.
    bool IsInstalled() const { return m_bInstalled; }
    const QString &Problem() const { return m_strProblem; }

private:
    QTranslator m_translator;
    bool m_bInstalled = false;
    QString m_strProblem;
};

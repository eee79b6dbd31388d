#include "widgets/CQtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

CQtTranslations::CQtTranslations()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale interfaceLanguage(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    if (!m_translator.load(interfaceLanguage, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        m_strProblem = QStringLiteral("Qt's Chinese translations (qtbase_zh_CN.qm) were not found in %1").arg(folder);
        return;
    }
    m_bInstalled = QCoreApplication::installTranslator(&m_translator);
}

CQtTranslations::~CQtTranslations()
{
    if (m_bInstalled)
        QCoreApplication::removeTranslator(&m_translator);
}

#include "widgets/CThemeHelper.h"

#include <QApplication>
#include <QStyle>

bool CThemeHelper::IsAppThemed() const
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr &&
           IsThemedStyle(QApplication::style());
}

bool CThemeHelper::IsThemedStyle(const QStyle *style)
{
    return style != nullptr && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

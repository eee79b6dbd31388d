#include "widgets/FontFaces.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <algorithm>

namespace
{

struct SFaceSubstitute {
    const char16_t *face;
    const char16_t *standIn;
    bool listed; // offered in the format bar's face list
};

// Metric-compatible stand-ins where there are some (Liberation), and the
// Song and Hei styles of the Noto CJK families. "MS Sans Serif" is a bitmap
// face that the format bar never offered; it only names the bar's own font.
constexpr SFaceSubstitute kSubstitutes[] = {
    {u"Arial", u"Liberation Sans", true},       {u"Times New Roman", u"Liberation Serif", true},
    {u"Courier New", u"Liberation Mono", true}, {u"MS Sans Serif", u"Liberation Sans", false},
    {u"宋体", u"Noto Serif CJK SC", true},      {u"SimSun", u"Noto Serif CJK SC", false},
    {u"黑体", u"Noto Sans CJK SC", true},       {u"SimHei", u"Noto Sans CJK SC", false},
};

} // namespace

void RegisterFaceSubstitutes()
{
    static const bool registered = [] {
        for (const SFaceSubstitute &substitute : kSubstitutes)
            QFont::insertSubstitution(QString::fromUtf16(substitute.face), QString::fromUtf16(substitute.standIn));
        return true;
    }();
    (void)registered;
}

QFont DialogFont(int pointSize)
{
    QFont font = QApplication::font();
    font.setPointSize(pointSize);
    return font;
}

QStringList ScalableFaceNames()
{
    QStringList faces;
    for (const QString &family : QFontDatabase::families())
        if (QFontDatabase::isSmoothlyScalable(family) && !QFontDatabase::isPrivateFamily(family))
            faces.append(family);
    for (const SFaceSubstitute &substitute : kSubstitutes) {
        const QString face = QString::fromUtf16(substitute.face);
        if (substitute.listed && QFontDatabase::hasFamily(QString::fromUtf16(substitute.standIn)) &&
            !faces.contains(face))
            faces.append(face);
    }
    std::sort(faces.begin(), faces.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return faces;
}

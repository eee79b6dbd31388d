// The theme binding: which styles count as themed, and the image button's
// look under each (flat until hovered, or always on the button surface).
#include "widgets/CImageButton.h"
#include "widgets/CThemeHelper.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// Sets the application's style for one test and puts the previous one back.
class CStyleScope
{
public:
    explicit CStyleScope(const QString &name) : m_previous(QApplication::style()->name())
    {
        QApplication::setStyle(name);
    }
    ~CStyleScope() { QApplication::setStyle(m_previous); }

private:
    QString m_previous;
};

TEST(ThemeHelperTest, ClassicStyleIsTheOnlyUnthemedOne)
{
    EXPECT_FALSE(CThemeHelper::IsThemedStyle(nullptr));
    const struct {
        const char *style;
        bool themed;
    } cases[] = {{"Windows", false}, {"Fusion", true}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.style);
        const std::unique_ptr<QStyle> style(QStyleFactory::create(QLatin1String(test.style)));
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(CThemeHelper::IsThemedStyle(style.get()), test.themed);
        const CStyleScope scope(QLatin1String(test.style));
        EXPECT_EQ(CThemeHelper().IsAppThemed(), test.themed);
    }
}

TEST(ThemeHelperTest, ButtonIsFlatExceptThemedWithoutToolbarLook)
{
    const CThemeHelper helper;
    const struct {
        const char *style;
        bool withHelper, toolbarLook, flat;
    } cases[] = {
        {"Fusion", true, false, false}, {"Fusion", true, true, true},    {"Fusion", false, false, true},
        {"Windows", true, false, true}, {"Windows", false, false, true},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << test.style << " helper " << test.withHelper << " toolbar "
                                        << test.toolbarLook);
        const CStyleScope scope(QLatin1String(test.style));
        CImageButton button(1);
        button.SetToolbarLook(test.toolbarLook);
        button.SetThemeHelper(test.withHelper ? &helper : nullptr);
        EXPECT_EQ(button.autoRaise(), test.flat);
    }
}

} // namespace

// The theme binding: which styles count as themed, and the image button's
// look under each (flat until hovered, or always on the button surface).
#include "widgets/CImageButton.h"
#include "widgets/CThemeHelper.h"

#include <QApplication>
#include <QStyle>
#include <gtest/gtest.h>

TEST(ThemeHelperTest, OnlyTheClassicStyleIsUnthemedAndButtonsAreFlatUnlessThemedWithoutToolbarLook)
{
    EXPECT_FALSE(CThemeHelper::IsThemedStyle(nullptr));
    const QString previous = QApplication::style()->name();
    const CThemeHelper helper;
    const struct {
        const char *style;
        bool themed, withHelper, toolbarLook, flat;
    } cases[] = {{"Fusion", true, true, false, false},
                 {"Fusion", true, true, true, true},
                 {"Fusion", true, false, false, true},
                 {"Windows", false, true, false, true}};
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << test.style << " helper " << test.withHelper << " toolbar "
                                        << test.toolbarLook);
        QApplication::setStyle(QLatin1String(test.style));
        EXPECT_EQ(helper.IsAppThemed(), test.themed);
        CImageButton button(1);
        button.SetToolbarLook(test.toolbarLook);
        button.SetThemeHelper(test.withHelper ? &helper : nullptr);
        EXPECT_EQ(button.autoRaise(), test.flat);
    }
    QApplication::setStyle(previous);
}

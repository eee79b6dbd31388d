// Every icon a command's row names exists, draws something at both sizes it
// is shown at, and differs from every other icon; every toolbar button has one.
#include "widgets/CommandIcons.h"
#include "app/CCommandTable.h"
#include "app/Resource.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>
#include <vector>

namespace
{

QImage Render(const QIcon &icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(CommandIconsTest, EveryIconDrawsAtBothSizesAndNoTwoAreAlike)
{
    for (unsigned resource : {IDR_MAINFRAME, IDR_FORMATBAR})
        for (unsigned id : CommandTable::ToolbarButtons(resource))
            if (id != 0 && id != ID_FONT_NAME_SLOT && id != ID_FONT_SIZE_SLOT) { // the slots hold the two lists
                EXPECT_FALSE(CommandIconPath(id).isEmpty()) << id;
            }
    std::vector<QIcon> icons;
    for (const SCommand &command : CommandTable::Commands())
        if (!command.m_strIcon.isEmpty())
            icons.push_back(CommandIcon(command.m_nID));
    ASSERT_EQ(icons.size(), 32u);
    icons.push_back(MuteIcon(true));
    for (size_t i = 0; i < icons.size(); ++i) {
        for (int size : {16, 24}) {
            // The share of the square's pixels that are not transparent.
            const QImage image = Render(icons[i], size);
            ASSERT_EQ(image.size(), QSize(size, size));
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GT(opaque, 0.08 * size * size) << "nearly empty: icon " << i << " at " << size;
            EXPECT_LT(opaque, 0.95 * size * size) << "a blot: icon " << i << " at " << size;
        }
        for (size_t j = i + 1; j <= icons.size(); ++j) // the program icon last, a filled tile of its own
            EXPECT_NE(Render(icons[i], 24), Render(j < icons.size() ? icons[j] : ProgramIcon(), 24)) << i << ", " << j;
    }
}

} // namespace

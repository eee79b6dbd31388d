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

// Share of the square's pixels that are not transparent.
double Coverage(const QImage &image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 0;
    return double(opaque) / (image.width() * image.height());
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
            const QImage image = Render(icons[i], size);
            ASSERT_EQ(image.size(), QSize(size, size));
            const double coverage = Coverage(image);
            EXPECT_GT(coverage, 0.08) << "nearly empty: icon " << i << " at " << size;
            EXPECT_LT(coverage, 0.95) << "a blot: icon " << i << " at " << size;
        }
        for (size_t j = i + 1; j <= icons.size(); ++j) // the program icon last, a filled tile of its own
            EXPECT_NE(Render(icons[i], 24), Render(j < icons.size() ? icons[j] : ProgramIcon(), 24)) << i << ", " << j;
    }
}

} // namespace

// The two sliders under the mouse: where a click lands, which notices a click
// and a drag send, and the selection the position slider shows.
#include "transport/CNiceSliderCtrl.h"
#include "transport/CVolumeCtrl.h"

#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace
{

using SNotice = std::pair<int, int>; // scroll code, position

class NiceSliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_slider.setRange(0, 1000);
        m_slider.resize(420, 34);
        m_slider.show();
        QObject::connect(&m_slider, &CNiceSliderCtrl::Scrolled,
                         [this](int code, int position) { m_notices.emplace_back(code, position); });
    }
    QPoint At(int x) const { return {x, m_slider.height() / 2}; }

    CNiceSliderCtrl m_slider;
    std::vector<SNotice> m_notices;
};

TEST(NiceSliderPositionTest, NearestPositionToThePoint)
{
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(10, 10, 110, 0, 100), 0);
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(60, 10, 110, 0, 100), 50);
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(60.6, 10, 110, 0, 100), 51); // 51.1: rounds to nearest
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(110, 10, 110, 0, 100), 100);
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(35, 10, 110, 200, 600), 300);
    // Beyond the ends the position lies outside the range, so it still differs from the end.
    EXPECT_GT(CNiceSliderCtrl::PositionAt(500, 10, 110, 0, 100), 100);
    EXPECT_LT(CNiceSliderCtrl::PositionAt(-500, 10, 110, 0, 100), 0);
}

TEST_F(NiceSliderTest, ClickJumpsThereTrackingThenFinalAndAgainSendsNothing)
{
    QTest::mouseClick(&m_slider, Qt::LeftButton, {}, At(m_slider.width() / 2));
    EXPECT_NEAR(m_slider.value(), 500, 15) << "the thumb lands under the mouse, no paging";
    const int position = m_slider.value();
    EXPECT_EQ(m_notices, (std::vector<SNotice>{{CNiceSliderCtrl::TB_THUMBTRACK, position},
                                               {CNiceSliderCtrl::TB_THUMBPOSITION, position}}));
    EXPECT_FALSE(m_slider.IsDragging());
    m_notices.clear();
    QTest::mouseClick(&m_slider, Qt::LeftButton, {}, At(m_slider.width() / 2));
    EXPECT_TRUE(m_notices.empty());
}

TEST_F(NiceSliderTest, DragFollowsTheMouseAndStopsAtTheEnds)
{
    QTest::mousePress(&m_slider, Qt::LeftButton, {}, At(100));
    EXPECT_TRUE(m_slider.IsDragging());
    const int pressed = m_slider.value();
    QTest::mouseMove(&m_slider, At(300));
    EXPECT_GT(m_slider.value(), pressed);
    for (int x : {600, 700}) {
        QTest::mouseMove(&m_slider, At(x));
        EXPECT_EQ(m_slider.value(), 1000);
    }
    QTest::mouseRelease(&m_slider, Qt::LeftButton, {}, At(800));
    EXPECT_FALSE(m_slider.IsDragging());

    // Press, three moves and the release: beyond the end each still notifies; then the final notice.
    ASSERT_EQ(m_notices.size(), 6u);
    for (size_t i = 0; i + 1 < m_notices.size(); ++i)
        EXPECT_EQ(m_notices[i].first, CNiceSliderCtrl::TB_THUMBTRACK);
    EXPECT_EQ(m_notices.back(), SNotice(CNiceSliderCtrl::TB_THUMBPOSITION, 1000));
}

TEST_F(NiceSliderTest, AStartPastTheEndIsKeptAsGivenAndDraws)
{
    m_slider.SetSelection(true, 700, 200);
    EXPECT_EQ(m_slider.SelectionStart(), 700);
    EXPECT_EQ(m_slider.SelectionEnd(), 200);
    m_slider.grab();
}

TEST(VolumeCtrlTest, ValueNearestTheClick)
{
    // Channel 10..110: the active span is 13..106.
    EXPECT_EQ(CVolumeCtrl::ValueAt(63, 10, 110, 0, 100), 54);
    EXPECT_EQ(CVolumeCtrl::ValueAt(12, 10, 110, 0, 100), 0);
    EXPECT_EQ(CVolumeCtrl::ValueAt(13, 10, 110, 0, 100), 0);
    EXPECT_EQ(CVolumeCtrl::ValueAt(105, 10, 110, 0, 100), 99);
    EXPECT_EQ(CVolumeCtrl::ValueAt(106, 10, 110, 0, 100), 100);
}

} // namespace

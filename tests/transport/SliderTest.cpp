// The two sliders under the mouse: where a click lands, which notices a click
// and a drag send, and the selection the position slider shows.
#include "transport/CNiceSliderCtrl.h"
#include "transport/CVolumeCtrl.h"

#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace
{

using SNotice = std::pair<int, int>; // scroll code, position

// Over a channel from 10 to 110: the slider's nearest position, and beyond the
// ends one outside the range, so that it still differs from the end; the volume's
// active span is 13..106.
TEST(SliderPositionTest, NearestPositionOrValueToThePoint)
{
    for (const auto &[x, position] : {std::pair{10.0, 0}, {60.0, 50}, {60.6, 51}, {110.0, 100}})
        EXPECT_EQ(CNiceSliderCtrl::PositionAt(x, 10, 110, 0, 100), position) << x;
    EXPECT_EQ(CNiceSliderCtrl::PositionAt(35, 10, 110, 200, 600), 300);
    EXPECT_GT(CNiceSliderCtrl::PositionAt(500, 10, 110, 0, 100), 100);
    EXPECT_LT(CNiceSliderCtrl::PositionAt(-500, 10, 110, 0, 100), 0);
    for (const auto &[x, value] : {std::pair{63, 54}, {12, 0}, {13, 0}, {105, 99}, {106, 100}})
        EXPECT_EQ(CVolumeCtrl::ValueAt(x, 10, 110, 0, 100), value) << x;
}

// A click jumps there, tracking then final, and a second one there sends
// nothing; a drag follows the mouse, stops at the ends and still notifies
// beyond them, then sends the final notice.
TEST(NiceSliderTest, ClickJumpsThereAndADragFollowsTheMouseUpToTheEnds)
{
    CNiceSliderCtrl slider;
    slider.setRange(0, 1000);
    slider.resize(420, 34);
    slider.show();
    std::vector<SNotice> notices;
    QObject::connect(&slider, &CNiceSliderCtrl::Scrolled,
                     [&notices](int code, int position) { notices.emplace_back(code, position); });
    const auto at = [&slider](int x) { return QPoint(x, slider.height() / 2); };

    QTest::mouseClick(&slider, Qt::LeftButton, {}, at(210));
    EXPECT_NEAR(slider.value(), 500, 15) << "the thumb lands under the mouse, no paging";
    const int position = slider.value();
    EXPECT_EQ(std::exchange(notices, {}), (std::vector<SNotice>{{CNiceSliderCtrl::TB_THUMBTRACK, position},
                                                                {CNiceSliderCtrl::TB_THUMBPOSITION, position}}));
    EXPECT_FALSE(slider.IsDragging());
    QTest::mouseClick(&slider, Qt::LeftButton, {}, at(210));
    EXPECT_TRUE(notices.empty());

    QTest::mousePress(&slider, Qt::LeftButton, {}, at(100));
    EXPECT_TRUE(slider.IsDragging());
    const int pressed = slider.value();
    QTest::mouseMove(&slider, at(300));
    EXPECT_GT(slider.value(), pressed);
    QTest::mouseMove(&slider, at(700));
    EXPECT_EQ(slider.value(), 1000);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(800));
    EXPECT_FALSE(slider.IsDragging());
    ASSERT_EQ(notices.size(), 5u); // the press, two moves and the release track; then the final notice
    for (size_t i = 0; i + 1 < notices.size(); ++i)
        EXPECT_EQ(notices[i].first, CNiceSliderCtrl::TB_THUMBTRACK);
    EXPECT_EQ(notices.back(), SNotice(CNiceSliderCtrl::TB_THUMBPOSITION, 1000));

    slider.SetSelection(true, 700, 200); // a start past the end is kept as given, and draws
    EXPECT_EQ(std::pair(slider.SelectionStart(), slider.SelectionEnd()), std::pair(700, 200));
    slider.grab();
}

// Playing moves the value ten times a second: a change the thumb cannot show
// draws nothing, a step of the thumb is drawn again only around it, and a jump
// over the stretch between, where the style's fill of the groove changes.
TEST(NiceSliderTest, OnlyAThumbThatMovedIsDrawnAgain)
{
    struct CPaints : QObject {
        QList<QRegion> regions;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                regions.append(static_cast<QPaintEvent *>(event)->region());
            return false;
        }
    } paints;
    CNiceSliderCtrl slider;
    slider.setRange(0, 3'600'000);
    slider.resize(420, 34);
    slider.StartWaveform(10);
    slider.AppendWaveform(std::vector<float>(1000, 0.5f));
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    QTest::qWait(50); // what showing it asked to draw
    slider.installEventFilter(&paints);
    const auto drawnAfter = [&](int value) {
        paints.regions.clear();
        slider.setValue(value);
        QTest::qWait(50);
        return paints.regions;
    };

    EXPECT_TRUE(drawnAfter(100).isEmpty()) << "a tenth of a second of an hour is not a pixel";
    const QList<QRegion> step = drawnAfter(60'000);
    ASSERT_EQ(step.size(), 1);
    EXPECT_LT(step[0].boundingRect().width(), slider.width() / 8) << "the waveform along the groove is not drawn again";
    const QList<QRegion> jump = drawnAfter(1'800'000);
    ASSERT_EQ(jump.size(), 1);
    EXPECT_TRUE(jump[0].contains(QPoint(slider.width() / 4, slider.height() / 2))) << "the groove between is drawn";
    EXPECT_TRUE(jump[0].contains(QPoint(slider.width() / 2, slider.height() / 2))) << "and the thumb's new place";
}

} // namespace

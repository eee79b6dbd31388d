// The image button as the learner meets it: clicks raise the command, the
// update handler's verdict enables and presses it.
#include "app/CCmdUI.h"
#include "widgets/CImageButton.h"

#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace
{

constexpr unsigned ID = 1004;

struct SRaised {
    unsigned id;
    bool checkedWhenRaised;
};

class ImageButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_button.resize(28, 26);
        m_button.SetCommandRaiser([this](unsigned id) { m_raised.push_back({id, m_button.GetCheck()}); });
    }

    CImageButton m_button{ID};
    std::vector<SRaised> m_raised;
};

TEST_F(ImageButtonTest, ClickRaisesItsCommandOnce)
{
    QTest::mouseClick(&m_button, Qt::LeftButton);
    ASSERT_EQ(m_raised.size(), 1u);
    EXPECT_EQ(m_raised[0].id, ID);
    EXPECT_FALSE(m_button.GetCheck()) << "a push button keeps no state";
}

TEST_F(ImageButtonTest, CheckModeFlipsBeforeTheCommandArrives)
{
    m_button.SetCheckMode(true);
    QTest::mouseClick(&m_button, Qt::LeftButton);
    QTest::mouseClick(&m_button, Qt::LeftButton);
    ASSERT_EQ(m_raised.size(), 2u);
    EXPECT_TRUE(m_raised[0].checkedWhenRaised);
    EXPECT_FALSE(m_raised[1].checkedWhenRaised);
}

TEST_F(ImageButtonTest, FollowsTheUpdateHandler)
{
    m_button.SetCheckMode(true);
    CCmdUI state(ID);
    state.Enable(true);
    state.SetCheck(1);
    m_button.UpdateFromCmdUI(state);
    EXPECT_TRUE(m_button.isEnabled());
    EXPECT_TRUE(m_button.GetCheck());

    m_button.UpdateFromCmdUI(CCmdUI(ID)); // nobody handles it: disabled, released
    EXPECT_FALSE(m_button.isEnabled());
    EXPECT_FALSE(m_button.GetCheck());
    QTest::mouseClick(&m_button, Qt::LeftButton);
    EXPECT_TRUE(m_raised.empty()) << "a disabled button raises nothing";
}

} // namespace

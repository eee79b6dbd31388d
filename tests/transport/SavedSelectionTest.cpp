// Saved selections from a timing file that does not fit its recording (tags
// past the item's end, a time tagged twice), played from the list on the real
// engine: none may keep the processor busy or play outside the item.
#include "CTestMedia.h"
#include "app/CAppSettings.h"
#include "audio/CPlaybackEngine.h"
#include "support/FakeTransportView.h"
#include "support/TestSupport.h"
#include "transport/CTransportControl.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <gtest/gtest.h>

TEST(SavedSelectionTest, RowsPastTheEndOrWithoutLengthPlayOnlyWhatTheItemHas)
{
    CRecordingPrompt prompt;
    CAppSettings settings;
    CFakeTransportView view;
    QTemporaryDir dir;
    // The tone lasts 3 000 ms; 00:01 is tagged twice, 00:05 and 00:07 lie past its end.
    QStringList paths{dir.filePath(QStringLiteral("tone.wav"))};
    QFile::copy(QString::fromStdString(CTestMedia::Path("tone.wav")), paths[0]);
    WriteAllBytes(dir.filePath(QStringLiteral("tone.lrc")), "[00:07.00]\n[00:01.00]\n[00:05.00][00:02.00]\n[00:01.00]");
    view.m_nRows = 1;
    CTransportControl control(settings, view);
    control.InitDialog();
    ASSERT_TRUE(control.PlaylistReady(&paths));
    ASSERT_EQ(view.m_rows,
              (std::vector<CSelectionSpan>{{1000, 1000}, {1000, 2000}, {2000, 5000}, {5000, 7000}, {7000, 3000}}));

    // {the row played, the selection that plays: a row past the end leaves the one before}
    const std::pair<CSelectionSpan, CSelectionSpan> cases[] = {
        {{1000, 1000}, {1000, 3000}}, // no length: runs to the end instead of repeating a tick
        {{2000, 5000}, {2000, 3000}}, // its end cut at the item's end
        {{5000, 7000}, {2000, 3000}}, // nothing of it in the item: refused
        {{7000, 3000}, {2000, 3000}}, {{1000, 2000}, {1000, 2000}},
    };
    for (const auto &[row, selection] : cases) {
        SCOPED_TRACE(testing::Message() << row.m_dwStart << "-" << row.m_dwEnd);
        control.PlaySelection(row.m_dwStart, row.m_dwEnd);
        EXPECT_EQ(view.m_selection, selection);
        const std::clock_t processorBefore = std::clock();
        QElapsedTimer clock;
        clock.start();
        std::uint32_t highest = 0;
        while (clock.elapsed() < 1200) {
            QTest::qWait(10);
            highest = std::max(highest, control.Engine().GetPosition());
        }
        EXPECT_LE(highest, 3000u);
        EXPECT_GT(highest, selection.m_dwStart + 300); // it goes on, not a tick again and again
        EXPECT_LT(static_cast<double>(std::clock() - processorBefore) / CLOCKS_PER_SEC, 0.5 * clock.elapsed() / 1000.0);
    }
    EXPECT_EQ(prompt.m_messages, QStringList());
}

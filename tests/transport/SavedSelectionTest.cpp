// Saved selections from a timing file that does not fit its recording: tags
// past the item's end, a time tagged twice, hundreds of tags in any order.
// Played from the list, none may hang, keep the processor busy or play
// outside the item. Real engine, SDL's dummy output.
#include "CTestMedia.h"
#include "app/CAppSettings.h"
#include "audio/CPlaybackEngine.h"
#include "support/FakeTransportView.h"
#include "support/TestSupport.h"
#include "transport/CTransportControl.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace
{

double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct SPlayed {
    std::uint32_t lowest = UINT32_MAX, highest = 0;
    double processorShare = 0;
};

class SavedSelectionTest : public ::testing::Test
{
protected:
    // Opens a copy of the three-second tone with the timing file beside it.
    void Open(const QByteArray &lrc)
    {
        const QString media = m_dir.filePath(QStringLiteral("tone.wav"));
        QFile::copy(QString::fromStdString(CTestMedia::Path("tone.wav")), media);
        WriteAllBytes(m_dir.filePath(QStringLiteral("tone.lrc")), lrc);
        m_paths = {media};
        m_view.m_nRows = 1;
        m_pControl = std::make_unique<CTransportControl>(m_settings, m_view);
        m_pControl->InitDialog();
        ASSERT_TRUE(m_pControl->PlaylistReady(&m_paths));
    }
    // The positions heard over a while, and the share of that time the
    // process kept a processor busy.
    SPlayed Watch(int milliseconds)
    {
        SPlayed played;
        const double processorBefore = ProcessorSeconds();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            QTest::qWait(10);
            const std::uint32_t position = m_pControl->Engine().GetPosition();
            played.lowest = std::min(played.lowest, position);
            played.highest = std::max(played.highest, position);
        }
        played.processorShare = (ProcessorSeconds() - processorBefore) * 1000.0 / static_cast<double>(clock.elapsed());
        return played;
    }

    CRecordingPrompt m_prompt;
    QTemporaryDir m_dir;
    CAppSettings m_settings;
    CFakeTransportView m_view;
    QStringList m_paths;
    std::unique_ptr<CTransportControl> m_pControl;
};

TEST_F(SavedSelectionTest, RowsPastTheEndOrWithoutLengthPlayOnlyWhatTheItemHas)
{
    // The tone lasts 3 000 ms; 00:01 is tagged twice, 00:05 and 00:07 lie past its end.
    Open("[00:07.00]\r\n[00:01.00]\r\n[00:05.00][00:02.00]\r\n[00:01.00]\r\n");
    const std::uint32_t length = m_pControl->Engine().GetLength();
    ASSERT_EQ(length, 3000u);
    ASSERT_EQ(m_view.m_rows,
              (std::vector<CSelectionSpan>{{1000, 1000}, {1000, 2000}, {2000, 5000}, {5000, 7000}, {7000, length}}));
    struct SCase {
        CSelectionSpan row;
        CSelectionSpan selection; // what plays: the previous row's for a row past the end
        int watchMs;
    };
    const SCase cases[] = {
        {{1000, 1000}, {1000, length}, 1500}, // no length: runs to the end instead of repeating a tick
        {{2000, 5000}, {2000, length}, 1500}, // its end cut at the item's end, repeated from there
        {{5000, 7000}, {2000, length}, 600},  // nothing of it in the item: refused
        {{7000, length}, {2000, length}, 600},
        {{1000, 2000}, {1000, 2000}, 1500}, // a row inside the item plays as saved
    };
    for (const SCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.row.m_dwStart << "-" << c.row.m_dwEnd);
        m_pControl->PlaySelection(c.row.m_dwStart, c.row.m_dwEnd);
        EXPECT_EQ(m_view.m_selection, c.selection);
        EXPECT_TRUE(m_pControl->Engine().IsPlaying());
        const SPlayed played = Watch(c.watchMs);
        EXPECT_LE(played.highest, length);
        EXPECT_GT(played.highest, c.selection.m_dwStart + 300); // it goes on, not a tick again and again
        EXPECT_LT(played.processorShare, 0.5);
    }
    EXPECT_EQ(m_prompt.m_messages, QStringList());
}

} // namespace

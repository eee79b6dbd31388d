// The media-properties dialog as the window's prompt shows it: modal, the
// report read-only in a box that scrolls both ways, closed by OK.
#include "frame/CWidgetPrompt.h"
#include "views/CMediaPropertiesDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

TEST(MediaPropertiesDlgTest, ThePromptShowsTheReportModallyUntilOk)
{
    const QString report =
        QStringLiteral("General\nComplete name : /media/第一课.mp3\nTrack name : ") + QString(300, u'x');
    QWidget owner;
    CWidgetPrompt prompt(&owner);
    bool inspected = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<CMediaPropertiesDlg *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("媒体属性"));
        QPlainTextEdit &text = *dialog->ReportCtrl();
        QTest::keyClicks(&text, QStringLiteral("typed"));
        EXPECT_EQ(text.toPlainText(), report);
        EXPECT_EQ(text.lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(text.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(text.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        inspected = true;
        dialog->findChild<QPushButton *>()->click(); // OK, the only button
    });
    QTimer::singleShot(5000, [] { // a dialog the test failed to close must not hang the run
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    prompt.ShowMediaProperties(report);
    EXPECT_TRUE(inspected);
}

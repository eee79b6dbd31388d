// The window "听写检查": what the last check of the transcript came to. At the top
// the score over the attempted stretches and the counts of wrong, missing and extra
// words and of hints; below, a row per stretch with its times, its score, the
// previous check's score and its reference text with the marks, in colour and in a
// form a screen reader says. Not modal: the learner plays and types on, and the
// next check refreshes it. A double-click on a row asks for its stretch to play.
#pragma once

#include "session/CCheckReport.h"

#include <QDialog>
#include <cstdint>

class QLabel;
class QTreeWidget;

class CCheckReportDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCheckReportDlg(QWidget *parent = nullptr);

    void ShowReport(const SCheckReport &report);

    QTreeWidget *Rows() const { return m_pRows; }
    QString ScoreText() const;
    QString CountsText() const;

    // What a reader says for a stretch's marked words.
    static QString SpokenText(const std::vector<SMarkedWord> &words);
    static QString MarkedHtml(const std::vector<SMarkedWord> &words);

signals:
    void StretchChosen(std::uint32_t startMs, std::uint32_t endMs);

private:
    QLabel *m_pScore = nullptr;
    QLabel *m_pCounts = nullptr;
    QTreeWidget *m_pRows = nullptr;
};

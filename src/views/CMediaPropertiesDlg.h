// The "媒体属性" dialog: the media library's text report of one media file in
// a read-only box with both scroll bars, and an OK button that closes it.
// Nothing is changed by the dialog.
#pragma once

#include <QDialog>

class QPlainTextEdit;

class CMediaPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CMediaPropertiesDlg(const QString &report, QWidget *parent = nullptr);

    QPlainTextEdit *ReportCtrl() const { return m_pReport; }

private:
    QPlainTextEdit *m_pReport;
};

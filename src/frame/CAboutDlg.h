// The about box: a borderless picture of 450 × 250 pixels with the program's
// name; releasing the mouse button anywhere on it, Enter or Esc close it.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog
{
public:
    explicit CAboutDlg(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

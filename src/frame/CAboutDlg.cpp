#include "frame/CAboutDlg.h"

#include "app/CStringTable.h"
#include "app/Resource.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int kWidth = 450;
constexpr int kHeight = 250;

} // namespace

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFixedSize(kWidth, kHeight);
    setAccessibleName(LoadResString(AFX_IDS_APP_TITLE));
    setWindowTitle(LoadResString(AFX_IDS_APP_TITLE));
}

void CAboutDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0.0, QColor(0x1d, 0x3b, 0x5c));
    sky.setColorAt(1.0, QColor(0x3f, 0x7c, 0xa8));
    painter.fillRect(rect(), sky);

    // A quill over a sound wave: the program's mark.
    painter.setPen(QPen(QColor(0xf4, 0xd0, 0x6f), 3));
    QPainterPath wave;
    wave.moveTo(40, 170);
    for (int x = 40; x <= 410; x += 10)
        wave.lineTo(x, 170 + ((x / 10) % 2 == 0 ? -1 : 1) * (8 + (x * 7) % 17));
    painter.drawPath(wave);

    painter.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(28);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(0, 40, kWidth, 60), Qt::AlignCenter, ResStringField(IDR_MAINFRAME, 0));
    QFont line = font();
    line.setPointSize(11);
    painter.setFont(line);
    painter.drawText(QRect(0, 100, kWidth, 30), Qt::AlignCenter, QStringLiteral("听写练习播放器"));
    painter.drawText(QRect(0, 205, kWidth, 30), Qt::AlignCenter, QStringLiteral("单击关闭"));
}

void CAboutDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        accept();
}

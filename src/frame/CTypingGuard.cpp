#include "frame/CTypingGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

CTypingGuard::CTypingGuard(QWidget &box) : QObject(&box), m_box(box)
{
    m_sinceLastKey.start();
    qApp->installEventFilter(this);
}

bool CTypingGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !IsFirstReceiver(watched))
        return false;
    const auto &key = static_cast<const QKeyEvent &>(*event);
    const bool typedOnward = m_sinceLastKey.elapsed() < kRestMs;
    m_sinceLastKey.restart();
    return typedOnward || IsBareCharacter(key);
}

// A key goes to the box's focused control first and then up to its parents when
// the control leaves it: it is judged once, where it arrives.
bool CTypingGuard::IsFirstReceiver(QObject *watched) const
{
    QWidget *focus = m_box.focusWidget();
    return watched == (focus != nullptr ? focus : &m_box);
}

// A letter, digit or punctuation mark typed without Ctrl, Alt or Meta: what a
// learner types into the transcript. Space stays a key that presses the
// focused button.
bool CTypingGuard::IsBareCharacter(const QKeyEvent &key)
{
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0)
        return false;
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace();
}

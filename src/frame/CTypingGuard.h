// Keeps a question that pops up while the learner types from being answered by
// the typing: keys that arrive within a short time of the box opening, or of
// the key before them, are dropped, and a bare letter or digit never presses a
// button. Enter, Esc, Space and Alt with a button's letter answer as usual once
// the keyboard has rested.
#pragma once

#include <QElapsedTimer>
#include <QObject>

class QKeyEvent;
class QWidget;

class CTypingGuard final : public QObject
{
public:
    // How long the keyboard must rest before a key may answer, in milliseconds.
    static constexpr qint64 kRestMs = 500;

    // Guards the box's keys from now on, for as long as both live.
    explicit CTypingGuard(QWidget &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool IsFirstReceiver(QObject *watched) const;
    static bool IsBareCharacter(const QKeyEvent &key);

    QWidget &m_box;
    QElapsedTimer m_sinceLastKey; // since the box opened, then since the last key
};

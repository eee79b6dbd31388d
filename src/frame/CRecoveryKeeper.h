// Keeps a recovery copy of the dictation document while it holds changes that
// are not saved: the copy is written once typing pauses, at most once a
// period, and removed when the text is saved or its changes are discarded. At
// start-up it offers the copies a killed or crashed run left behind.
#pragma once

#include "editor/CRecoveryStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

class CQuillmereDoc;

class CRecoveryKeeper : public QObject
{
public:
    static constexpr std::chrono::milliseconds kDefaultPeriod{10000};
    static constexpr std::chrono::milliseconds kDefaultPause{2000};

    CRecoveryKeeper(CQuillmereDoc &document, const QString &directory);

    // period: the least time between two copies; pause: how long typing must
    // rest before a copy is written. Changes made without any rest are
    // written no later than two periods after the first of them.
    void SetTiming(std::chrono::milliseconds period, std::chrono::milliseconds pause);

    // Asks about each copy left by an earlier run, oldest first. Yes opens it
    // as the modified document of its transcript (after the usual question
    // about the text it replaces); No deletes it.
    void OfferCopies();

    // After a normal shutdown: the text was saved or the learner chose to
    // discard it, so its copy goes.
    void DiscardCopy();

    // Writes the copy at once, without waiting for typing to rest: the
    // program is being ended from outside.
    void WriteCopyNow();

    const CRecoveryStore &Store() const { return m_store; }

private:
    void OnContentsChanged();
    void OnModificationChanged(bool modified);
    void ScheduleWrite();
    void WriteCopy();
    bool OfferCopy(const CRecoveryStore::SCopy &copy);

    CQuillmereDoc &m_document;
    CRecoveryStore m_store;
    QTimer m_timer;
    std::chrono::milliseconds m_period = kDefaultPeriod;
    std::chrono::milliseconds m_pause = kDefaultPause;
    QElapsedTimer m_sinceWrite;       // invalid until the first copy
    QElapsedTimer m_sinceFirstChange; // the oldest change not yet in a copy
    QString m_strCopyPath;            // the copy that holds the current text; empty when none
    bool m_bFailureTold = false;      // a failed write is told once, until one succeeds again
};

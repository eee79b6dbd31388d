// Describes media files from the event loop: one request at a time, in the
// order asked, each read a few chunks per turn of the loop, so the interface
// never waits for a whole file however large or slow its disk. The one
// library handle is kept for the reader's life.
#pragma once

#include "lists/CMediaInfo.h"

#include <QObject>
#include <deque>
#include <functional>

class CMediaInfoReader : public QObject
{
public:
    // Time one turn of the event loop may spend reading, in milliseconds.
    static constexpr int kTurnBudgetMs = 10;

    using Done = std::function<void(CMediaInfo &)>;

    explicit CMediaInfoReader(QObject *parent = nullptr) : QObject(parent) {}

    // Describes the file at path and then runs done with the description,
    // from the event loop; the description holds only during that call, and
    // done shows no modal box itself (the next request waits while it runs).
    // A request of the same purpose still waiting or
    // under way gives way to this one: its done never runs.
    void Request(int purpose, const QString &path, Done done);
    bool IsBusy() const { return !m_requests.empty(); }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct SRequest {
        int purpose;
        QString path;
        Done done;
    };

    void StartNext();
    void Complete();

    CMediaInfo m_info;
    std::deque<SRequest> m_requests; // the first one is under way
    int m_nTimer = 0;
};

// Simulated time for the playback session: a clock the test moves forward by
// hand, firing timers in the order they fall due, and a player whose position
// runs on that clock, loops, and ends its channel like the engine does. The
// session and the drill then run without waiting in real time.
#pragma once

#include "audio/IMediaPlayer.h"
#include "editor/CQuillmereDoc.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"
#include "session/ISessionClock.h"

#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <vector>

class CSimulatedClock final : public ISessionClock
{
public:
    std::unique_ptr<ISessionTimer> CreateTimer(bool singleShot, std::function<void()> callback) override
    {
        return std::make_unique<CTimer>(*this, singleShot, std::move(callback));
    }

    qint64 Now() const { return m_nNow; }

    // Moves time forward: every timer falling due runs at its time, and the calls
    // it queued on the event loop run before the next one.
    void Advance(qint64 milliseconds)
    {
        const qint64 until = m_nNow + milliseconds;
        QCoreApplication::sendPostedEvents();
        while (CTimer *timer = NextDue(until)) {
            m_nNow = timer->m_nDue;
            if (timer->m_bSingleShot)
                timer->m_bActive = false;
            else
                timer->m_nDue += std::max(1, timer->m_nPeriod);
            timer->m_callback();
            QCoreApplication::sendPostedEvents();
        }
        m_nNow = until;
    }

private:
    struct CTimer final : ISessionTimer {
        CTimer(CSimulatedClock &clock, bool singleShot, std::function<void()> callback)
            : m_clock(clock), m_bSingleShot(singleShot), m_callback(std::move(callback))
        {
            m_clock.m_timers.push_back(this);
        }
        ~CTimer() override { std::erase(m_clock.m_timers, this); }
        void Start(int milliseconds) override
        {
            m_nPeriod = std::max(0, milliseconds);
            m_nDue = m_clock.m_nNow + m_nPeriod;
            m_bActive = true;
        }
        void Stop() override { m_bActive = false; }
        bool IsActive() const override { return m_bActive; }
        int RemainingMs() const override { return m_bActive ? int(std::max<qint64>(0, m_nDue - m_clock.m_nNow)) : 0; }

        CSimulatedClock &m_clock;
        bool m_bSingleShot;
        std::function<void()> m_callback;
        bool m_bActive = false;
        int m_nPeriod = 0;
        qint64 m_nDue = 0;
    };

    CTimer *NextDue(qint64 until) const
    {
        CTimer *next = nullptr;
        for (CTimer *timer : m_timers)
            if (timer->m_bActive && timer->m_nDue <= until && (next == nullptr || timer->m_nDue < next->m_nDue))
                next = timer;
        return next;
    }

    std::vector<CTimer *> m_timers;
    qint64 m_nNow = 0;
};

// A player of items whose lengths the test names; nothing is decoded.
class CSimulatedPlayer final : public IMediaPlayer
{
public:
    explicit CSimulatedPlayer(CSimulatedClock &clock)
        : m_clock(clock), m_pEndTimer(clock.CreateTimer(true, [this] { ChannelEnded(); }))
    {
    }

    // The items that open, with their lengths in milliseconds.
    std::map<QString, std::uint32_t> m_lengths;
    bool m_bOutputLost = false;
    int m_nVolume = -1;
    bool m_bMuted = false;

    void SetEndHandler(std::function<int()> handler) override { m_endHandler = std::move(handler); }
    bool Open(const QString &path) override
    {
        const auto found = m_lengths.find(path);
        if (found == m_lengths.end())
            return false;
        m_dwLength = found->second;
        m_eState = EState::Stopped;
        m_dwBase = 0;
        m_loop = {};
        m_bOpen = true;
        Reschedule();
        return true;
    }
    bool Play(bool) override
    {
        if (!m_bOpen)
            return false;
        if (m_eState == EState::Ended)
            m_dwBase = 0;
        m_dwBase = GetPosition();
        m_nSince = m_clock.Now();
        m_eState = EState::Playing;
        Reschedule();
        return true;
    }
    bool Pause() override { return Hold(EState::Paused, GetPosition()); }
    bool Stop() override { return Hold(EState::Stopped, 0); }
    bool FreeChannel() override
    {
        m_bOpen = false;
        return Hold(EState::Stopped, 0);
    }
    bool IsPlaying() const override { return m_eState == EState::Playing && !m_bOutputLost; }
    bool IsStopped() const override { return m_eState == EState::Stopped || m_eState == EState::Ended; }
    bool IsPaused() const override { return m_eState == EState::Paused; }
    bool IsOutputLost() const override { return m_bOutputLost; }
    uint32_t GetPosition() const override
    {
        if (m_eState != EState::Playing)
            return m_dwBase;
        const qint64 ran = m_dwBase + (m_clock.Now() - m_nSince);
        if (m_loop.bHeld && !m_loop.bOnce && m_dwBase < m_loop.dwEnd && ran >= m_loop.dwEnd)
            return m_loop.dwStart + std::uint32_t((ran - m_loop.dwEnd) % (m_loop.dwEnd - m_loop.dwStart));
        return std::uint32_t(std::min<qint64>(ran, m_dwLength));
    }
    uint32_t GetLength() const override { return m_bOpen ? m_dwLength : 0; }
    bool SetPosition(uint32_t milliseconds) override
    {
        m_dwBase = std::min(milliseconds, m_dwLength);
        m_nSince = m_clock.Now();
        if (m_eState == EState::Ended)
            m_eState = EState::Stopped;
        Reschedule();
        return true;
    }
    bool SetLoop(uint32_t start, uint32_t end, bool once) override
    {
        if (start >= end || start >= m_dwLength)
            return false;
        Rebase();
        m_loop = {true, once, start, std::min(end, m_dwLength)};
        Reschedule();
        return true;
    }
    void ClearLoop() override
    {
        Rebase();
        m_loop = {};
        Reschedule();
    }
    bool GetAttributes(uint32_t *sampleRate, uint32_t *volume, int *) const override
    {
        if (sampleRate != nullptr)
            *sampleRate = 44100;
        if (volume != nullptr)
            *volume = std::uint32_t(std::max(m_nVolume, 0));
        return m_bOpen;
    }
    bool SetAttributes(int, int volume, int) override
    {
        if (volume != kUnchangedVolume)
            m_nVolume = volume;
        return true;
    }
    void SetMute(bool mute) override { m_bMuted = mute; }
    void SetEffect(unsigned, int) override {}
    bool SetTempo(float, float, float) override { return m_bOpen; }
    bool HasTempoControl() const override { return true; }
    const SItemDescription &ItemDescription() const override { return m_description; }
    // Nothing is decoded here: no waveform, no stretches found.
    std::unique_ptr<IAnalysis> Analyze(const QString &, AnalysisBlock, AnalysisEnd) override { return nullptr; }

private:
    enum class EState { Stopped, Playing, Paused, Ended };
    struct SLoop {
        bool bHeld = false, bOnce = false;
        std::uint32_t dwStart = 0, dwEnd = 0;
    };

    bool Hold(EState state, std::uint32_t position)
    {
        m_dwBase = position;
        m_eState = state;
        Reschedule();
        return true;
    }
    // The position so far becomes the base, so that a new loop counts from now.
    void Rebase()
    {
        m_dwBase = GetPosition();
        m_nSince = m_clock.Now();
    }
    // Where the channel ends while it plays: the end of a once-loop, or of the item.
    void Reschedule()
    {
        m_pEndTimer->Stop();
        if (m_eState != EState::Playing)
            return;
        Rebase();
        std::uint32_t end = m_dwLength;
        if (m_loop.bHeld && m_loop.bOnce)
            end = m_loop.dwEnd;
        else if (m_loop.bHeld && m_dwBase < m_loop.dwEnd)
            return; // loops for ever
        m_pEndTimer->Start(int(end > m_dwBase ? end - m_dwBase : 0));
    }
    void ChannelEnded()
    {
        m_dwBase = GetPosition();
        m_eState = EState::Ended;
        if (m_endHandler && m_endHandler() != 0)
            Hold(EState::Stopped, 0);
    }

    CSimulatedClock &m_clock;
    std::unique_ptr<ISessionTimer> m_pEndTimer;
    std::function<int()> m_endHandler;
    EState m_eState = EState::Stopped;
    bool m_bOpen = false;
    std::uint32_t m_dwLength = 0;
    std::uint32_t m_dwBase = 0; // the position when it last started, stopped or moved
    qint64 m_nSince = 0;
    SLoop m_loop;
    SItemDescription m_description;
};

// A playback session on simulated time over a real lesson and its document.
struct SSimulatedSession {
    explicit SSimulatedSession(CAppSettings &settings) : session(settings, player, clock, lesson) {}

    CSimulatedClock clock;
    CSimulatedPlayer player{clock};
    CQuillmereDoc document;
    CLesson lesson{document};
    CPlaybackSession session;
};

// Helpers shared by the core tests: a prompt that records what the program
// told the learner, a cap on file sizes that makes writes fail even for root,
// and small file helpers.
#pragma once

#include "base/CPrompt.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <sys/resource.h>
#include <utility>

// Records every message and answers with a fixed answer.
class CRecordingPrompt final : public CPrompt
{
public:
    explicit CRecordingPrompt(int answer = IDOK) : m_answer(answer), m_previous(SetPrompt(this)) {}
    ~CRecordingPrompt() override { SetPrompt(m_previous); }
    CRecordingPrompt(const CRecordingPrompt &) = delete;
    CRecordingPrompt &operator=(const CRecordingPrompt &) = delete;

    int MessageBox(const QString &text, unsigned, const QString &) override
    {
        m_messages.append(text);
        if (m_whileAsked)
            m_whileAsked();
        if (m_queuedAnswers.isEmpty())
            return m_answer;
        return m_queuedAnswers.takeFirst();
    }
    QStringList GetOpenFileNames(const QString &, const QString &, bool) override
    {
        ++m_nFileDialogs;
        return std::exchange(m_openAnswer, {});
    }
    QString GetSaveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        ++m_nFileDialogs;
        return std::exchange(m_saveAnswer, {});
    }
    void ShowMediaProperties(const QString &report) override { m_reports.append(report); }
    [[noreturn]] void ExitProcess(int exitCode) override
    {
        throw std::runtime_error("exit " + std::to_string(exitCode));
    }

    QStringList m_messages;
    QList<int> m_queuedAnswers; // answered first, in order, before the fixed answer
    QStringList m_openAnswer;   // the next open dialog's choice (then cancel)
    QString m_saveAnswer;       // the next save dialog's choice (then cancel)
    QStringList m_reports;      // the media-properties dialogs shown
    int m_nFileDialogs = 0;
    std::function<void()> m_whileAsked; // runs inside every box, before it is answered

private:
    int m_answer;
    CPrompt *m_previous;
};

// While alive, no file of this process may grow beyond the given size: a write
// past it fails with EFBIG, which lets tests make a disk write fail.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    CFileSizeLimit(const CFileSizeLimit &) = delete;
    CFileSizeLimit &operator=(const CFileSizeLimit &) = delete;

private:
    rlimit m_old{};
};

inline QByteArray ReadAllBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAllBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

// For a helper program that is the whole program under test: no display and
// no sound card unless the test's environment names them. Called first in main.
inline void UseNoDisplayOrSoundCard()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

// A session bus of the run's own: a dbus-daemon started for it, whose address
// goes into DBUS_SESSION_BUS_ADDRESS before anything asks Qt for the session
// bus, and which dies with the process, however that ends.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <csignal>
#include <sys/prctl.h>

class CPrivateBus
{
public:
    // False, with the reason in Problem(), when no daemon could be started.
    bool Start()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            m_strProblem = QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)");
            return false;
        }
        m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(daemon,
                       {QStringLiteral("--session"), QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        while (m_daemon.waitForReadyRead(5000) || m_daemon.canReadLine()) {
            if (m_daemon.canReadLine()) {
                m_strAddress = QString::fromUtf8(m_daemon.readLine()).trimmed();
                qputenv("DBUS_SESSION_BUS_ADDRESS", m_strAddress.toUtf8());
                return true;
            }
        }
        m_strProblem =
            QStringLiteral("dbus-daemon gave no address: %1").arg(QString::fromUtf8(m_daemon.readAllStandardError()));
        return false;
    }
    ~CPrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }

    const QString &Address() const { return m_strAddress; }
    const QString &Problem() const { return m_strProblem; }

private:
    QProcess m_daemon;
    QString m_strAddress;
    QString m_strProblem;
};

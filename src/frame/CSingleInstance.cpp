#include "frame/CSingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace
{

constexpr int kHandOverTimeoutMs = 2000;

QString LockPath(const QString &key)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + key + QStringLiteral(".lock");
}

} // namespace

CSingleInstance::CSingleInstance(const QString &key) : m_strKey(key), m_lock(LockPath(key)) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::DefaultKey()
{
    return QStringLiteral("quillmere-%1").arg(::getuid());
}

bool CSingleInstance::Claim(const QString &documentPath)
{
    // The lock settles the race between two starts; a lock left by a crashed
    // copy is found stale (its process is gone) and taken over.
    if (!m_lock.tryLock(0)) {
        HandOver(m_strKey, documentPath);
        return false;
    }
    QLocalServer::removeServer(m_strKey); // a socket left by a crashed copy
    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_pServer->listen(m_strKey);
    return true;
}

void CSingleInstance::SetActivationHandler(std::function<void(const QString &)> handler)
{
    m_activate = std::move(handler);
}

bool CSingleInstance::HandOver(const QString &key, const QString &documentPath)
{
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(kHandOverTimeoutMs))
        return false;
    socket.write(documentPath.toUtf8() + '\n');
    return socket.waitForBytesWritten(kHandOverTimeoutMs);
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket *socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString path = QString::fromUtf8(socket->readLine()).chopped(1);
            if (m_activate)
                m_activate(path);
        });
    }
}

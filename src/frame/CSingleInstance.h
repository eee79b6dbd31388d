// One running copy per user. The first start takes a lock and listens on a
// local socket; a later start hands its file argument (if any) to the running
// copy, which comes to the front and opens it, and then ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class CSingleInstance : public QObject
{
public:
    // key names the lock and the socket; tests give their own.
    explicit CSingleInstance(const QString &key = DefaultKey());
    ~CSingleInstance() override;

    // True when this is the first copy (it then listens). Otherwise the
    // message is handed to the running copy and false is returned.
    bool Claim(const QString &documentPath);

    // Runs on the first copy for each later start: the path it was given
    // (empty for none).
    void SetActivationHandler(std::function<void(const QString &)> handler);

    static QString DefaultKey();

private:
    void OnNewConnection();
    static bool HandOver(const QString &key, const QString &documentPath);

    QString m_strKey;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_pServer;
    std::function<void(const QString &)> m_activate;
};

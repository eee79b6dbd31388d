#include "lists/CEnvelopeCache.h"

#include "base/CAtomicFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>

namespace
{

constexpr char kMagic[8] = {'Q', 'M', 'E', 'N', 'V', '1', '\n', '\0'};

struct SHeader {
    char magic[8];
    std::int32_t windowMs;
    std::int32_t windows;
};

} // namespace

CEnvelopeCache::CEnvelopeCache(const QString &folder)
    : m_strFolder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                         QStringLiteral("/quillmere/envelopes")
                                   : folder)
{
}

QString CEnvelopeCache::FileFor(const QString &mediaPath) const
{
    const QFileInfo info(mediaPath);
    if (!info.isFile())
        return QString();
    const QString key = info.absoluteFilePath() + u'\n' + QString::number(info.size()) + u'\n' +
                        QString::number(info.lastModified().toMSecsSinceEpoch());
    return m_strFolder + u'/' +
           QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".envelope");
}

std::unique_ptr<CLevelEnvelope> CEnvelopeCache::Load(const QString &mediaPath) const
{
    const QString path = FileFor(mediaPath);
    if (path.isEmpty())
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    SHeader header{};
    if (bytes.size() < qsizetype(sizeof header))
        return nullptr;
    std::memcpy(&header, bytes.constData(), sizeof header);
    const qsizetype body = qsizetype(header.windows) * 2 * qsizetype(sizeof(float));
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.windows < 0 || header.windowMs <= 0 ||
        bytes.size() != qsizetype(sizeof header) + body)
        return nullptr;
    std::vector<float> peaks(size_t(header.windows)), rms(size_t(header.windows));
    std::memcpy(peaks.data(), bytes.constData() + sizeof header, peaks.size() * sizeof(float));
    std::memcpy(rms.data(), bytes.constData() + sizeof header + peaks.size() * sizeof(float),
                rms.size() * sizeof(float));
    return std::make_unique<CLevelEnvelope>(header.windowMs, std::move(peaks), std::move(rms));
}

CResult CEnvelopeCache::Store(const QString &mediaPath, const CLevelEnvelope &envelope) const
{
    const QString path = FileFor(mediaPath);
    if (path.isEmpty() || !QDir().mkpath(m_strFolder))
        return CResult::Failure(QStringLiteral("无法创建文件夹“%1”。").arg(m_strFolder));
    SHeader header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.windowMs = envelope.WindowMs();
    header.windows = envelope.WindowCount();
    CAtomicFile file(path);
    if (CResult result = file.Open(); !result)
        return result;
    (void)file.Write(QByteArrayView(reinterpret_cast<const char *>(&header), sizeof header));
    (void)file.Write(QByteArrayView(reinterpret_cast<const char *>(envelope.Peaks().data()),
                                    qsizetype(envelope.Peaks().size() * sizeof(float))));
    (void)file.Write(QByteArrayView(reinterpret_cast<const char *>(envelope.Rms().data()),
                                    qsizetype(envelope.Rms().size() * sizeof(float))));
    return file.Commit(); // the first failure of a write, if any
}

#include "lists/CProgressStore.h"

#include "base/CAtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace
{

QJsonValue PercentValue(const std::optional<int> &percent)
{
    return percent ? QJsonValue(*percent) : QJsonValue();
}

std::optional<int> PercentOf(const QJsonValue &value)
{
    return value.isDouble() ? std::optional<int>(value.toInt()) : std::nullopt;
}

QJsonObject ToJson(const SCheckRecord &record)
{
    QJsonArray stretches;
    for (const SStretchProgress &stretch : record.stretches)
        stretches.append(QJsonObject{{QStringLiteral("start"), qint64(stretch.dwStartMs)},
                                     {QStringLiteral("end"), qint64(stretch.dwEndMs)},
                                     {QStringLiteral("percent"), PercentValue(stretch.percent)},
                                     {QStringLiteral("hints"), stretch.nHints}});
    return {{QStringLiteral("date"), record.when.toString(Qt::ISODate)},
            {QStringLiteral("percent"), PercentValue(record.percent)},
            {QStringLiteral("stretches"), stretches}};
}

std::optional<SCheckRecord> RecordOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    SCheckRecord record;
    record.when = QDateTime::fromString(object.value(QStringLiteral("date")).toString(), Qt::ISODate);
    if (!record.when.isValid() || !object.value(QStringLiteral("stretches")).isArray())
        return std::nullopt;
    record.percent = PercentOf(object.value(QStringLiteral("percent")));
    for (const QJsonValue &item : object.value(QStringLiteral("stretches")).toArray()) {
        const QJsonObject stretch = item.toObject();
        record.stretches.push_back({std::uint32_t(stretch.value(QStringLiteral("start")).toInteger()),
                                    std::uint32_t(stretch.value(QStringLiteral("end")).toInteger()),
                                    PercentOf(stretch.value(QStringLiteral("percent"))),
                                    stretch.value(QStringLiteral("hints")).toInt()});
    }
    return record;
}

// The checks of a file, or none when it is not a progress file.
std::optional<std::vector<SCheckRecord>> ParseChecks(const QByteArray &bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject() || !document.object().value(QStringLiteral("checks")).isArray())
        return std::nullopt;
    std::vector<SCheckRecord> checks;
    for (const QJsonValue &value : document.object().value(QStringLiteral("checks")).toArray()) {
        std::optional<SCheckRecord> record = RecordOf(value);
        if (!record)
            return std::nullopt;
        checks.push_back(std::move(*record));
    }
    return checks;
}

} // namespace

CProgressStore::CProgressStore(const QString &folder)
    : m_strFolder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                         QStringLiteral("/quillmere/progress")
                                   : folder)
{
}

// Named by a digest of the recording's absolute path: any path gives a plain file name.
QString CProgressStore::FileFor(const QString &mediaPath) const
{
    const QByteArray digest =
        QCryptographicHash::hash(QFileInfo(mediaPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_strFolder + u'/' + QString::fromLatin1(digest) + QStringLiteral(".json");
}

std::vector<SCheckRecord> CProgressStore::Load(const QString &mediaPath, QString *problem) const
{
    const QString path = FileFor(mediaPath);
    QFile file(path);
    if (!file.exists())
        return {};
    std::optional<std::vector<SCheckRecord>> checks;
    if (file.open(QIODevice::ReadOnly))
        checks = ParseChecks(file.readAll());
    if (checks)
        return *checks;
    file.close();
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    QFile::rename(path, aside);
    if (problem != nullptr)
        *problem = QStringLiteral("练习记录“%1”已损坏，已另存为“%2”，重新开始记录。").arg(path, aside);
    return {};
}

CResult CProgressStore::Append(const QString &mediaPath, const SCheckRecord &record) const
{
    std::vector<SCheckRecord> checks = Load(mediaPath);
    checks.push_back(record);
    if (checks.size() > size_t(kKeptChecks))
        checks.erase(checks.begin(), checks.end() - kKeptChecks);
    QJsonArray array;
    for (const SCheckRecord &check : checks)
        array.append(ToJson(check));
    const QJsonObject root{{QStringLiteral("recording"), QFileInfo(mediaPath).absoluteFilePath()},
                           {QStringLiteral("checks"), array}};
    if (!QDir().mkpath(m_strFolder))
        return CResult::Failure(QStringLiteral("无法创建文件夹“%1”。").arg(m_strFolder));
    CAtomicFile file(FileFor(mediaPath));
    if (CResult result = file.Open(); !result)
        return result;
    if (CResult result = file.Write(QJsonDocument(root).toJson()); !result)
        return result;
    return file.Commit();
}

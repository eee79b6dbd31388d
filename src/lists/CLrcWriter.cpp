#include "lists/CLrcWriter.h"

#include "base/CAtomicFile.h"
#include "base/CFileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace
{

std::uint32_t ToHundredths(std::uint32_t ms)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(ms) + 5) / 10);
}

// "[mm:ss.xx]"; past 99 minutes the seconds run on past 59.
QString Tag(std::uint32_t hundredths)
{
    const std::uint32_t minutes = std::min<std::uint32_t>(hundredths / 6000, 99);
    const std::uint32_t rest = hundredths - minutes * 6000;
    return QStringLiteral("[%1:%2.%3]")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest / 100, 2, 10, QLatin1Char('0'))
        .arg(rest % 100, 2, 10, QLatin1Char('0'));
}

QString LineText(const QString &text)
{
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('['), QLatin1Char('('));
    line.replace(QLatin1Char(']'), QLatin1Char(')'));
    return line.trimmed();
}

struct CLrcLine {
    std::uint32_t m_dwHundredths;
    QString m_strText;
};

// A row's line, and after it a line without text at the row's end when the
// next tag (the next row's start, or the recording's end) comes later.
std::vector<CLrcLine> LinesFor(const std::vector<CReferenceStretch> &rows, std::uint32_t mediaLengthMs)
{
    std::vector<CLrcLine> lines;
    lines.reserve(rows.size() * 2);
    for (size_t i = 0; i < rows.size(); ++i) {
        const CReferenceStretch &row = rows[i];
        lines.push_back({ToHundredths(row.m_dwStartMs), LineText(row.m_strText)});
        const std::uint32_t end = ToHundredths(std::max(row.m_dwStartMs, row.m_dwEndMs));
        const bool beforeNext = i + 1 < rows.size() ? end < ToHundredths(rows[i + 1].m_dwStartMs)
                                                    : static_cast<std::uint64_t>(end) * 10 < mediaLengthMs;
        if (beforeNext)
            lines.push_back({end, QString()});
    }
    return lines;
}

CResult FailureFor(const QFileDevice &file)
{
    const CFileError::Cause cause =
        file.error() == QFileDevice::PermissionsError ? CFileError::accessDenied : CFileError::generic;
    return CFileError(cause, file.fileName()).ToResult();
}

// Copies the file at path over its backup, atomically.
CResult KeepBackup(const QString &path)
{
    QFile old(path);
    if (!old.open(QIODevice::ReadOnly))
        return FailureFor(old);
    const QByteArray bytes = old.readAll();
    if (old.error() != QFileDevice::NoError)
        return FailureFor(old);
    CAtomicFile backup(CLrcWriter::BackupPathFor(path));
    if (CResult result = backup.Open(); !result)
        return result;
    if (CResult result = backup.Write(bytes); !result)
        return result;
    return backup.Commit();
}

} // namespace

std::optional<QByteArray> CLrcWriter::ToBytes(std::vector<CReferenceStretch> rows, std::uint32_t mediaLengthMs)
{
    std::stable_sort(rows.begin(), rows.end(), [](const CReferenceStretch &a, const CReferenceStretch &b) {
        return a.m_dwStartMs < b.m_dwStartMs;
    });
    QString text = QStringLiteral("\uFEFF");
    for (const CLrcLine &line : LinesFor(rows, mediaLengthMs)) {
        if (line.m_dwHundredths > kLatestTimeMs / 10)
            return std::nullopt;
        text += Tag(line.m_dwHundredths) + line.m_strText + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

CResult CLrcWriter::Save(const QString &path, const std::vector<CReferenceStretch> &rows, std::uint32_t mediaLengthMs)
{
    const std::optional<QByteArray> bytes = ToBytes(rows, mediaLengthMs);
    if (!bytes) {
        return CResult::Failure(
            QStringLiteral("无法保存文件“%1”：LRC 文件的时间最多只能到 99:99.99（100 分 39.99 秒）。")
                .arg(QDir::toNativeSeparators(path)));
    }
    CAtomicFile file(path);
    if (CResult result = file.Open(); !result)
        return result;
    if (CResult result = file.Write(*bytes); !result)
        return result;
    if (Exists(path)) {
        if (CResult result = KeepBackup(path); !result)
            return result;
    }
    return file.Commit();
}

bool CLrcWriter::Exists(const QString &path)
{
    return QFileInfo::exists(path);
}

QString CLrcWriter::BackupPathFor(const QString &path)
{
    return path + QStringLiteral(".bak");
}

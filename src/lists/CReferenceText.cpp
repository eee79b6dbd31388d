#include "lists/CReferenceText.h"

#include "base/CodePage.h"
#include "lists/CSubtitleFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

std::vector<CReferenceStretch> CReferenceText::FromRows(const std::vector<CSelectionSpan> &rows,
                                                        const std::vector<CTimedText> &lines)
{
    std::vector<CReferenceStretch> stretches;
    stretches.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        stretches.push_back({rows[i].m_dwStart, rows[i].m_dwEnd, i < lines.size() ? lines[i].m_strText : QString()});
    return stretches;
}

std::vector<CReferenceStretch> CReferenceText::FromLrcFile(const QString &lrcPath, std::uint32_t mediaLengthMs)
{
    std::vector<CTimedText> lines;
    CLrcFile store;
    if (!CLrcFile::LoadTimedText(lrcPath, lines) || !store.Load(lrcPath))
        return {};
    return FromRows(SelectionsFromTags(store, mediaLengthMs), lines);
}

QString CReferenceText::PlainTextPathFor(const QString &mediaPath)
{
    const QFileInfo media(mediaPath);
    return media.dir().filePath(media.completeBaseName() + QStringLiteral(".txt"));
}

std::vector<CReferenceStretch> CReferenceText::FromPlainTextFile(const QString &mediaPath, std::uint32_t mediaLengthMs)
{
    QFile file(PlainTextPathFor(mediaPath));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return {{0, mediaLengthMs, DecodeLearnerText(bytes)}};
}

std::vector<CReferenceStretch> CReferenceText::ForRecording(const QString &lrcPath, const QString &mediaPath,
                                                            std::uint32_t mediaLengthMs)
{
    std::vector<CReferenceStretch> stretches = FromLrcFile(lrcPath, mediaLengthMs);
    if (HasText(stretches))
        return stretches;
    stretches = CSubtitleFile::FromFile(CSubtitleFile::PathFor(mediaPath));
    if (HasText(stretches))
        return stretches;
    stretches = FromPlainTextFile(mediaPath, mediaLengthMs);
    if (HasText(stretches))
        return stretches;
    return {};
}

bool CReferenceText::HasText(const std::vector<CReferenceStretch> &stretches)
{
    return std::any_of(stretches.cbegin(), stretches.cend(),
                       [](const CReferenceStretch &stretch) { return !stretch.m_strText.trimmed().isEmpty(); });
}

#include "base/MediaPaths.h"

#include <QFileInfo>

namespace
{

QString ReplaceExtension(const QString &path, const QString &extension)
{
    if (path.isEmpty())
        return {}; // no media loaded: no file beside it either
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return path + extension;
    return path.left(dot) + extension;
}

} // namespace

QString MediaRtfPath(const QString &mediaPath)
{
    return ReplaceExtension(mediaPath, QStringLiteral(".rtf"));
}

QString MediaLrcPath(const QString &mediaPath)
{
    return ReplaceExtension(mediaPath, QStringLiteral(".lrc"));
}

const QStringList &MediaFileExtensions()
{
    static const QStringList extensions{QStringLiteral("mp1"), QStringLiteral("mp2"), QStringLiteral("mp3"),
                                        QStringLiteral("mp4"), QStringLiteral("ogg"), QStringLiteral("wav"),
                                        QStringLiteral("aif"), QStringLiteral("wma"), QStringLiteral("mod")};
    return extensions;
}

bool IsMediaFilePath(const QString &path)
{
    return MediaFileExtensions().contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

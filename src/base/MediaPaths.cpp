#include "base/MediaPaths.h"

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

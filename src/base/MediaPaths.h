// The files that lie beside a media file: the learner's dictation document
// (".rtf") and the timing file whose tags seed the selection list (".lrc").
#pragma once

#include <QString>
#include <QStringList>

// The media path with its extension replaced by ".rtf"; a name without an
// extension gets ".rtf" appended (a "." inside a folder name is no extension).
// An empty media path (nothing loaded) gives an empty path.
QString MediaRtfPath(const QString &mediaPath);

// The same rule with ".lrc".
QString MediaLrcPath(const QString &mediaPath);

// The extensions of the recordings the open-media dialog lists, in its order.
const QStringList &MediaFileExtensions();

// Whether a path names such a recording (the extension in any case).
bool IsMediaFilePath(const QString &path);

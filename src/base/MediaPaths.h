// The files that lie beside a media file: the learner's dictation document
// (".rtf") and the timing file whose tags seed the selection list (".lrc").
#pragma once

#include <QString>

// The media path with its extension replaced by ".rtf"; a name without an
// extension gets ".rtf" appended (a "." inside a folder name is no extension).
// An empty media path (nothing loaded) gives an empty path.
QString MediaRtfPath(const QString &mediaPath);

// The same rule with ".lrc".
QString MediaLrcPath(const QString &mediaPath);

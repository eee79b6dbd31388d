// Subtitles (".srt" and WebVTT ".vtt") read as stretches of the recording with
// the words said in each: one stretch per cue, its lines joined with a space,
// markup and style tags removed, in the order of the cues' starts.
#pragma once

#include "lists/CReferenceText.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

class CSubtitleFile
{
public:
    // The cues of the file; empty when it cannot be read or holds none.
    static std::vector<CReferenceStretch> FromFile(const QString &path);
    // The cues of the file's bytes: UTF-16 with a byte-order mark, else UTF-8
    // (with or without one), else GB18030, which covers GBK.
    static std::vector<CReferenceStretch> FromBytes(QByteArrayView bytes);
    // The cues of decoded text. Cues without text are dropped, a cue ending
    // before its start ends at its start, and cues are sorted by start
    // (cues starting together keep the order of the file).
    static std::vector<CReferenceStretch> FromText(const QString &text);

    // The subtitle file beside a recording: "lesson.srt" for "lesson.mp3" when
    // it exists, else "lesson.vtt" when that exists, else empty.
    static QString PathFor(const QString &mediaPath);
};

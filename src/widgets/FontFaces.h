// The Windows face names transcripts and the program's own windows carry
// ("Arial", "MS Sans Serif", "宋体" …) and the installed families that stand
// in for them here. The names stay in documents and RTF files; only the
// drawing uses the stand-in.
#pragma once

#include <QFont>
#include <QStringList>

// Tells Qt's font matching which installed family draws each kept name.
// Runs once per process; later calls do nothing.
void RegisterFaceSubstitutes();

// The font of the program's own dialogs, bars and pane captions at pointSize: the
// interface's own face, whose Chinese comes from the CJK sans face the rest of
// the window uses already. The Song face's serif stand-in stays for
// transcripts that name 宋体, and is loaded only when one is shown.
QFont DialogFont(int pointSize);

// The faces a learner may choose for text, sorted without regard to case:
// every scalable family installed, and each kept document face whose
// stand-in is installed.
QStringList ScalableFaceNames();

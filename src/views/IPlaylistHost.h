// What the playlist pane asks of the windows around it: the dictation
// document, the main frame, the selection list pane and the effects bar.
// The frame implements it; tests record the calls.
#pragma once

#include <QString>

class IPlaylistHost
{
public:
    virtual ~IPlaylistHost() = default;

    // Switches the dictation document to the RTF file at rtfPath, or to a new
    // empty document when rtfPath is empty, after the document's save
    // question. False when the learner cancelled that question: the document
    // stays as it was.
    virtual bool SwitchDocument(const QString &rtfPath) = 0;
    // Raises a command on the main frame (ID_FILE_NEW).
    virtual void SendFrameCommand(unsigned id) = 0;
    // Empties the selection list pane.
    virtual void ResetSelectionList() = 0;
    // Disables every control of the effects bar.
    virtual void DisableEffects() = 0;
};

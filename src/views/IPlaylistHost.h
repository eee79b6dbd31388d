// What the playlist pane asks of the windows around it: the main frame, the
// selection list pane and the effects bar.
// The frame implements it; tests record the calls.
#pragma once

class IPlaylistHost
{
public:
    virtual ~IPlaylistHost() = default;

    // Raises a command on the main frame (ID_FILE_NEW).
    virtual void SendFrameCommand(unsigned id) = 0;
    // Empties the selection list pane.
    virtual void ResetSelectionList() = 0;
    // Disables every control of the effects bar.
    virtual void DisableEffects() = 0;
};

// What the player control bar shows and whom it calls: the widgets of the bar
// (sliders, buttons), the status bar, the selection list pane, the playlist
// pane and the effects bar. CTransportControl decides; this interface shows.
#pragma once

#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "lists/CLrcFile.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class ITransportView
{
public:
    virtual ~ITransportView() = default;

    // Text of a status-bar pane; the time pane is sized to fit its text.
    virtual void SetPaneText(int pane, const QString &text) = 0;

    // Position slider, in milliseconds: range 0..maximum, thumb, and the
    // selection range (shown or removed).
    virtual void SetSliderRange(std::uint32_t maximum) = 0;
    virtual void SetSliderPos(std::uint32_t position) = 0;
    virtual void SetSliderSelection(bool shown, std::uint32_t start, std::uint32_t end) = 0;
    // True while the learner holds the thumb: the position timer then leaves it alone.
    virtual bool IsSliderDragging() const = 0;

    // Pressed state of the play, pause and mute buttons (IDC_PLAY_BUTTON …).
    virtual void SetButtonCheck(unsigned id, bool pressed) = 0;
    // The mute button's image: muted or sounding.
    virtual void SetMuteImage(bool muted) = 0;
    // Volume slider position, 0..100.
    virtual void SetVolumePos(int volume) = 0;

    // Selection list pane: empties it and lists these rows; adds one row.
    virtual void FillSelectionList(const std::vector<CSelectionSpan> &rows) = 0;
    virtual void AddSelection(std::uint32_t start, std::uint32_t end) = 0;

    // Effects bar: the sample rate of the item just opened, and whether its
    // tempo, rate and pitch can change (a tracker module's cannot).
    virtual void EnableEffectsForRate(std::uint32_t sampleRate, bool tempoAdjustable) = 0;

    // Title bar and bit-rate pane: what the item at path just opened tells of itself,
    // nothing when it could not be opened.
    virtual void ShowItemDescription(const QString &path,
                                     const std::optional<CPlaybackEngine::SItemDescription> &description) = 0;

    // Playlist pane: switches the dictation document to the item's text,
    // false when the learner refuses to leave the current one; marks the
    // item's row, false for an index outside the list.
    virtual bool OpenDictationText(int index) = 0;
    virtual bool SetCurrentItem(int index) = 0;
};

// The effects panel inside the effects bar: tempo, sample rate and pitch
// sliders with the labels that show their values, the reverb and the three
// equaliser bands, and "重置所有". Slider positions go to the player control
// bar as the learner moves them; the panel stays disabled until an item is
// opened, and opening one enables it with that item's sample rate.
#pragma once

#include "session/IEffectsTarget.h"

#include <QWidget>
#include <cstdint>
#include <map>

class QLabel;
class QPushButton;
class QSlider;

class CEffectsPanel : public QWidget
{
    Q_OBJECT

public:
    // The panel's controls.
    enum EControl : unsigned {
        IDC_SPEED_SLIDER = 1002,
        IDC_RATE_SLIDER = 1003,
        IDC_PITCH_SLIDER = 1004,
        IDC_EQ_1K_SLIDER = 1005,
        IDC_EQ_8K_SLIDER = 1006,
        IDC_EQ_125_SLIDER = 1007,
        IDC_REVERB_SLIDER = 1008,
        IDC_RESET_ALL = 1009,
        IDC_RATE_LABEL = 1010,
        IDC_SPEED_LABEL = 1011,
        IDC_PITCH_LABEL = 1012,
    };

    // Builds the controls, disabled. The target must outlive the panel.
    explicit CEffectsPanel(IEffectsTarget &target, QWidget *parent = nullptr);

    // An item was opened with this sample rate in hertz: tempo, rate and
    // pitch show the item's own values, everything is enabled (tempo, rate
    // and pitch only when the item can take them); the reverb and the bands
    // keep their positions. Nothing is sent to the target.
    void EnableForRate(std::uint32_t sampleRate, bool tempoAdjustable = true);
    // No item: everything disabled, the reverb and the bands back to their
    // defaults (the engine is not told); tempo, rate and pitch stay.
    void DisableAll();

    // "重置所有": while an item plays, every slider back to its default and
    // the target told so; otherwise nothing changes.
    void OnResetAll();

    // Playback has started or resumed: a tempo, rate or pitch the learner set
    // while nothing played is applied now, so the sound follows the labels.
    void ApplyPendingTempo();

    QSlider *Slider(unsigned id) const;
    QLabel *Label(unsigned id) const;
    QPushButton *ResetButton() const { return m_pResetButton; }
    std::uint32_t SampleRate() const { return m_dwSampleRate; }

private:
    void CreateControls();
    void CreateSlider(unsigned id, const QRect &place);
    QLabel *CreateLabel(const QString &text, const QRect &place);
    void OnSliderMoved(unsigned id);
    void OnTempoSliderMoved();
    STempoChange CurrentTempo() const;
    void ShowTempo(const STempoChange &change);
    // Sets a slider without it counting as the learner's move.
    void SetSlider(unsigned id, int minimum, int maximum, int position);
    void SetSliderPos(unsigned id, int position);
    void ResetEffectSliders();
    void EnableControls(bool enable);

    IEffectsTarget &m_target;
    std::map<unsigned, QSlider *> m_sliders; // children of the panel
    std::map<unsigned, QLabel *> m_labels;
    QPushButton *m_pResetButton = nullptr;
    std::uint32_t m_dwSampleRate = 0;
    // Tempo, rate or pitch moved while nothing played: the labels show values
    // the sound does not have yet.
    bool m_bTempoPending = false;
};

#include "frame/CEffectsPanel.h"

#include "audio/CPlaybackEngine.h"
#include "widgets/DialogUnits.h"
#include "widgets/FontFaces.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <limits>

namespace
{

// Slider positions: the speed slider's middle is no change, the pitch
// slider's too; the reverb and the bands run from 0 to 20.
constexpr int kSpeedMax = 120, kSpeedMiddle = 60;
constexpr int kPitchMax = 30, kPitchMiddle = 15;
constexpr int kEffectMax = 20, kBandDefault = 10, kReverbDefault = 0;
// The rate slider spans 70 % to 130 % of the item's own rate.
constexpr double kRateLowFactor = 0.7, kRateHighFactor = 1.3;
// Until an item says otherwise, the rate label's template text.
constexpr std::uint32_t kTemplateRate = 44100;

// Dialog template of the panel, in dialog units of its 9-point font.
constexpr QSize kPanelSize(113, 241);

struct SSliderPlace {
    unsigned id;
    const char16_t *name; // accessible name
    QRect place;
};

const SSliderPlace kSliderPlaces[] = {
    {CEffectsPanel::IDC_SPEED_SLIDER, u"速度", {2, 29, 110, 16}},
    {CEffectsPanel::IDC_RATE_SLIDER, u"比率", {2, 58, 110, 16}},
    {CEffectsPanel::IDC_PITCH_SLIDER, u"音调", {2, 87, 110, 16}},
    {CEffectsPanel::IDC_REVERB_SLIDER, u"混响", {2, 116, 110, 16}},
    {CEffectsPanel::IDC_EQ_125_SLIDER, u"均衡器 125Hz", {6, 159, 97, 16}},
    {CEffectsPanel::IDC_EQ_1K_SLIDER, u"均衡器 1kHz", {6, 189, 97, 16}},
    {CEffectsPanel::IDC_EQ_8K_SLIDER, u"均衡器 8kHz", {6, 219, 97, 16}},
};

struct SLabelPlace {
    unsigned id; // 0: a caption nobody changes
    const char16_t *text;
    QRect place;
};

const SLabelPlace kLabelPlaces[] = {
    {0, u"速度", {7, 19, 24, 9}},   {CEffectsPanel::IDC_SPEED_LABEL, u"= 0%", {35, 19, 56, 9}},
    {0, u"比率", {7, 49, 24, 9}},   {CEffectsPanel::IDC_RATE_LABEL, u"= 44100Hz", {35, 49, 54, 9}},
    {0, u"音调", {7, 77, 24, 9}},   {CEffectsPanel::IDC_PITCH_LABEL, u"= 0 Semitones", {35, 76, 64, 9}},
    {0, u"混响", {7, 106, 24, 9}},  {0, u"125Hz", {11, 149, 24, 9}},
    {0, u"1kHz", {11, 179, 24, 9}}, {0, u"8kHz", {11, 208, 24, 9}},
};

// The band and reverb sliders and the engine's effect each one drives.
const std::pair<unsigned, unsigned> kEffectSliders[] = {
    {CEffectsPanel::IDC_EQ_125_SLIDER, CPlaybackEngine::EFFECT_EQ_125},
    {CEffectsPanel::IDC_EQ_1K_SLIDER, CPlaybackEngine::EFFECT_EQ_1K},
    {CEffectsPanel::IDC_EQ_8K_SLIDER, CPlaybackEngine::EFFECT_EQ_8K},
    {CEffectsPanel::IDC_REVERB_SLIDER, CPlaybackEngine::EFFECT_REVERB},
};

QString Text(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// trunc(rate x factor) in double precision: 44100 Hz gives 30869 to 57330,
// because 0.7 is a little less than seven tenths.
int RateBound(std::uint32_t sampleRate, double factor)
{
    return static_cast<int>(std::min(sampleRate * factor, double(std::numeric_limits<int>::max())));
}

int ClampToInt(std::uint32_t value)
{
    return static_cast<int>(std::min<std::uint32_t>(value, std::numeric_limits<int>::max()));
}

} // namespace

CEffectsPanel::CEffectsPanel(IEffectsTarget &target, QWidget *parent) : QWidget(parent), m_target(target)
{
    setFont(DialogFont(9));
    setFixedSize(CDialogUnits(font()).ToPixels(kPanelSize));
    CreateControls();
    SetSlider(IDC_SPEED_SLIDER, 0, kSpeedMax, kSpeedMiddle);
    SetSlider(IDC_RATE_SLIDER, RateBound(kTemplateRate, kRateLowFactor), RateBound(kTemplateRate, kRateHighFactor),
              kTemplateRate);
    SetSlider(IDC_PITCH_SLIDER, 0, kPitchMax, kPitchMiddle);
    DisableAll();
}

void CEffectsPanel::CreateControls()
{
    const CDialogUnits units(font());
    m_pResetButton = new QPushButton(QStringLiteral("重置所有"), this);
    m_pResetButton->setGeometry(units.ToPixels(QRect(7, 2, 100, 14)));
    connect(m_pResetButton, &QPushButton::clicked, this, &CEffectsPanel::OnResetAll);

    for (const SLabelPlace &label : kLabelPlaces) {
        QLabel *created = CreateLabel(Text(label.text), units.ToPixels(label.place));
        if (label.id != 0)
            m_labels[label.id] = created;
    }
    auto *equaliser = new QGroupBox(QStringLiteral("均衡器"), this);
    equaliser->setGeometry(units.ToPixels(QRect(4, 138, 104, 103)));
    equaliser->lower();
    for (const SSliderPlace &slider : kSliderPlaces) {
        CreateSlider(slider.id, units.ToPixels(slider.place));
        m_sliders[slider.id]->setAccessibleName(Text(slider.name));
    }
}

QLabel *CEffectsPanel::CreateLabel(const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, this);
    label->setGeometry(place);
    return label;
}

void CEffectsPanel::CreateSlider(unsigned id, const QRect &place)
{
    auto *slider = new QSlider(Qt::Horizontal, this);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setGeometry(place);
    // Every change the learner makes (drag, click, keys, wheel) arrives here;
    // the panel's own settings are made with the signals blocked.
    connect(slider, &QSlider::valueChanged, this, [this, id] { OnSliderMoved(id); });
    m_sliders[id] = slider;
}

QSlider *CEffectsPanel::Slider(unsigned id) const
{
    const auto found = m_sliders.find(id);
    return found == m_sliders.end() ? nullptr : found->second;
}

QLabel *CEffectsPanel::Label(unsigned id) const
{
    const auto found = m_labels.find(id);
    return found == m_labels.end() ? nullptr : found->second;
}

void CEffectsPanel::SetSlider(unsigned id, int minimum, int maximum, int position)
{
    QSlider *slider = m_sliders.at(id);
    const QSignalBlocker blocker(slider);
    slider->setRange(minimum, maximum);
    // A click beside the thumb or Page Up/Down moves a fifth of the range,
    // as on the desktop's track bars, not ten hertz of the rate's thousands.
    slider->setPageStep(std::max(1, (maximum - minimum) / 5));
    slider->setValue(position);
}

void CEffectsPanel::SetSliderPos(unsigned id, int position)
{
    QSlider *slider = m_sliders.at(id);
    const QSignalBlocker blocker(slider);
    slider->setValue(position);
}

void CEffectsPanel::EnableControls(bool enable)
{
    m_pResetButton->setEnabled(enable);
    for (const auto &[id, slider] : m_sliders)
        slider->setEnabled(enable);
}

void CEffectsPanel::ResetEffectSliders()
{
    SetSlider(IDC_REVERB_SLIDER, 0, kEffectMax, kReverbDefault);
    for (unsigned id : {IDC_EQ_125_SLIDER, IDC_EQ_1K_SLIDER, IDC_EQ_8K_SLIDER})
        SetSlider(id, 0, kEffectMax, kBandDefault);
}

void CEffectsPanel::DisableAll()
{
    EnableControls(false);
    ResetEffectSliders();
}

void CEffectsPanel::EnableForRate(std::uint32_t sampleRate, bool tempoAdjustable)
{
    EnableControls(true);
    // A tracker module plays at its own speed whatever they say: they would
    // show a speed the sound never takes.
    for (unsigned id : {IDC_SPEED_SLIDER, IDC_RATE_SLIDER, IDC_PITCH_SLIDER})
        m_sliders.at(id)->setEnabled(tempoAdjustable);
    for (unsigned id : {IDC_SPEED_LABEL, IDC_RATE_LABEL, IDC_PITCH_LABEL})
        m_labels.at(id)->setEnabled(tempoAdjustable);
    m_dwSampleRate = sampleRate;
    // The new item plays at its own tempo, rate and pitch.
    const STempoChange own{0, ClampToInt(sampleRate), 0};
    ShowTempo(own);
    SetSlider(IDC_RATE_SLIDER, RateBound(sampleRate, kRateLowFactor), RateBound(sampleRate, kRateHighFactor),
              own.nRate);
    SetSlider(IDC_PITCH_SLIDER, 0, kPitchMax, kPitchMiddle);
    SetSlider(IDC_SPEED_SLIDER, 0, kSpeedMax, kSpeedMiddle);
    m_bTempoPending = false;
}

void CEffectsPanel::OnSliderMoved(unsigned id)
{
    if (id == IDC_SPEED_SLIDER || id == IDC_RATE_SLIDER || id == IDC_PITCH_SLIDER) {
        OnTempoSliderMoved();
        return;
    }
    for (const auto &[slider, kind] : kEffectSliders)
        if (slider == id)
            m_target.SetEffect(kind, m_sliders.at(id)->value());
}

STempoChange CEffectsPanel::CurrentTempo() const
{
    return {m_sliders.at(IDC_SPEED_SLIDER)->value() - kSpeedMiddle, m_sliders.at(IDC_RATE_SLIDER)->value(),
            m_sliders.at(IDC_PITCH_SLIDER)->value() - kPitchMiddle};
}

void CEffectsPanel::OnTempoSliderMoved()
{
    const STempoChange change = CurrentTempo();
    // The labels follow the sliders whether or not the sound can follow now.
    ShowTempo(change);
    m_bTempoPending = !m_target.SetTempo(change);
}

void CEffectsPanel::ShowTempo(const STempoChange &change)
{
    m_labels.at(IDC_SPEED_LABEL)->setText(QStringLiteral("= %1%").arg(change.nTempo));
    m_labels.at(IDC_RATE_LABEL)->setText(QStringLiteral("= %1Hz").arg(change.nRate));
    m_labels.at(IDC_PITCH_LABEL)->setText(QStringLiteral("= %1 Semitones").arg(change.nPitch));
}

void CEffectsPanel::ApplyPendingTempo()
{
    if (m_bTempoPending && m_pResetButton->isEnabled())
        m_bTempoPending = !m_target.SetTempo(CurrentTempo());
}

void CEffectsPanel::OnResetAll()
{
    const STempoChange own{0, ClampToInt(m_dwSampleRate), 0};
    // Nothing playing: the sliders keep what the learner set.
    if (!m_target.SetTempo(own))
        return;
    m_bTempoPending = false;
    ShowTempo(own);
    SetSliderPos(IDC_RATE_SLIDER, own.nRate);
    SetSliderPos(IDC_PITCH_SLIDER, kPitchMiddle);
    SetSliderPos(IDC_SPEED_SLIDER, kSpeedMiddle);
    for (const auto &[slider, kind] : kEffectSliders)
        m_target.SetEffect(kind, slider == IDC_REVERB_SLIDER ? kReverbDefault : kBandDefault);
    ResetEffectSliders();
}

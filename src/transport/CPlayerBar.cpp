#include "transport/CPlayerBar.h"

#include "app/CCommandTable.h"
#include "app/Resource.h"
#include "session/CPlaybackSession.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CVolumeCtrl.h"
#include "widgets/CImageButton.h"
#include "widgets/CommandIcons.h"

#include <QFrame>
#include <QSignalBlocker>
#include <algorithm>
#include <limits>

namespace
{

struct SButtonPlace {
    unsigned id;
    int x; // pixels from the bar's left edge
    bool checkMode;
};

// The buttons left to right; the etched separator stands between the item and
// the selection groups. The mute button follows the bar's right edge.
constexpr SButtonPlace BUTTON_PLACES[] = {
    {IDC_PLAY_BUTTON, 16, true},      {IDC_PAUSE_BUTTON, 44, true},     {IDC_STOP, 72, false},
    {IDC_PREV_ITEM, 100, false},      {IDC_NEXT_ITEM, 128, false},      {IDC_START_LEFT, 166, false},
    {IDC_SET_START, 194, false},      {IDC_SET_END, 222, false},        {IDC_END_RIGHT, 250, false},
    {IDC_PREV_SELECTION, 278, false}, {IDC_NEXT_SELECTION, 306, false}, {IDC_CLEAR_SELECTION, 334, false},
    {IDC_SAVE_SELECTION, 362, false},
};

constexpr int SEPARATOR_X = 160;
constexpr QSize BUTTON_SIZE(28, 26);
constexpr int BUTTON_Y = 34;
constexpr int IMAGE_SIZE = 24, MUTE_IMAGE_SIZE = 16;
// From the bar's right edge: the mute button's left, the volume wedge's left.
constexpr int MUTE_FROM_RIGHT = 125, VOLUME_FROM_RIGHT = 93;
constexpr QRect VOLUME_PLACE(0, 33, 85, 25);
constexpr int SLIDER_MARGIN = 8, SLIDER_HEIGHT = 34;

int ClampToInt(std::uint32_t value)
{
    return int(std::min<std::uint32_t>(value, std::numeric_limits<int>::max()));
}

} // namespace

CPlayerBar::CPlayerBar(CPlaybackSession &session, QWidget *parent) : QWidget(parent), m_session(session)
{
    CreateSliders();
    CreateButtons();
    setMinimumWidth(BUTTON_PLACES[std::size(BUTTON_PLACES) - 1].x + BUTTON_SIZE.width() + MUTE_FROM_RIGHT + 8);
    setFixedHeight(BAR_HEIGHT);
    SetCommandRouting([this](unsigned id) { m_session.ExecuteIfEnabled(id); },
                      [this](unsigned id) { return m_session.QueryState(id); });
    Subscribe();
}

CPlayerBar::~CPlayerBar() = default;

void CPlayerBar::CreateSliders()
{
    m_pPositionSlider = new CNiceSliderCtrl(this);
    m_pPositionSlider->setAccessibleName(QStringLiteral("播放位置"));
    m_pPositionSlider->setRange(0, 0);
    connect(m_pPositionSlider, &CNiceSliderCtrl::Scrolled, this,
            [this](int, int position) { m_session.OnPositionScroll(std::uint32_t(std::max(position, 0))); });
    connect(m_pPositionSlider, &CNiceSliderCtrl::RangeDragged, this,
            [this](int start, int end) { m_session.SelectRange(std::uint32_t(start), std::uint32_t(end)); });
    connect(m_pPositionSlider, &CNiceSliderCtrl::DraggingChanged, this,
            [this](bool dragging) { m_session.SetPositionHeld(dragging); });

    m_pVolumeSlider = new CVolumeCtrl(this);
    m_pVolumeSlider->setAccessibleName(QStringLiteral("音量"));
    connect(m_pVolumeSlider, &QSlider::valueChanged, this, [this](int volume) { m_session.OnVolumeScroll(volume); });
}

void CPlayerBar::CreateButtons()
{
    const auto makeButton = [this](unsigned id, bool checkMode, int imageSize) {
        auto *button = new CImageButton(id, this);
        button->SetIcon(CommandIcon(id), imageSize);
        button->SetTooltipText(CommandTable::Tooltip(id));
        button->SetCheckMode(checkMode);
        button->SetCommandRaiser([this](unsigned raised) { RaiseFromButton(raised); });
        button->resize(BUTTON_SIZE);
        m_buttons.push_back(button);
        return button;
    };
    for (const SButtonPlace &place : BUTTON_PLACES)
        makeButton(place.id, place.checkMode, IMAGE_SIZE)->move(place.x, BUTTON_Y);
    m_pMuteButton = makeButton(IDC_MUTE_BUTTON, true, MUTE_IMAGE_SIZE);

    m_pSeparator = new QFrame(this);
    m_pSeparator->setFrameShape(QFrame::VLine);
    m_pSeparator->setFrameShadow(QFrame::Sunken);
    m_pSeparator->setGeometry(SEPARATOR_X, BUTTON_Y, 2, BUTTON_SIZE.height());
}

void CPlayerBar::SetCommandRouting(CommandRaiser raise, CommandQuery query)
{
    m_raise = std::move(raise);
    m_query = std::move(query);
}

void CPlayerBar::UpdateButtonStates()
{
    for (CImageButton *button : m_buttons)
        button->UpdateFromCmdUI(m_query(button->CommandId()));
}

CImageButton *CPlayerBar::Button(unsigned id) const
{
    const auto found = std::find_if(m_buttons.begin(), m_buttons.end(),
                                    [id](const CImageButton *button) { return button->CommandId() == id; });
    return found == m_buttons.end() ? nullptr : *found;
}

void CPlayerBar::RaiseFromButton(unsigned id)
{
    m_raise(id);
    // A check-mode button has flipped itself; show what the handler decided.
    UpdateButtonStates();
}

QSize CPlayerBar::sizeHint() const
{
    return {minimumWidth(), BAR_HEIGHT};
}

void CPlayerBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    m_pPositionSlider->setGeometry(SLIDER_MARGIN, 0, w - 2 * SLIDER_MARGIN, SLIDER_HEIGHT);
    m_pVolumeSlider->setGeometry(VOLUME_PLACE.translated(w - VOLUME_FROM_RIGHT, 0));
    m_pMuteButton->move(w - MUTE_FROM_RIGHT, BUTTON_Y);
}

void CPlayerBar::Subscribe()
{
    connect(&m_session, &CPlaybackSession::LengthChanged, this,
            [this](std::uint32_t length) { m_pPositionSlider->setRange(0, ClampToInt(length)); });
    connect(&m_session, &CPlaybackSession::PositionChanged, this,
            [this](std::uint32_t position) { m_pPositionSlider->setValue(ClampToInt(position)); });
    connect(&m_session, &CPlaybackSession::RangeChanged, this, [this](const SAbRange &range) {
        m_pPositionSlider->SetSelection(range.bActive, ClampToInt(range.dwStart), ClampToInt(range.dwEnd));
    });
    connect(&m_session, &CPlaybackSession::WaveformStarted, m_pPositionSlider, &CNiceSliderCtrl::StartWaveform);
    const auto markStarts = [this](const std::vector<CSelectionSpan> &rows) {
        std::vector<int> starts;
        for (const CSelectionSpan &row : rows)
            starts.push_back(ClampToInt(row.m_dwStart));
        m_pPositionSlider->SetMarks(std::move(starts));
    };
    connect(&m_session, &CPlaybackSession::StretchesListed, this, markStarts);
    connect(&m_session, &CPlaybackSession::StretchesFound, this, markStarts);
    connect(&m_session, &CPlaybackSession::WaveformGrown, m_pPositionSlider, &CNiceSliderCtrl::AppendWaveform);
    connect(&m_session, &CPlaybackSession::PlayButtonsChanged, this, [this](bool play, bool pause) {
        SetButtonCheck(IDC_PLAY_BUTTON, play);
        SetButtonCheck(IDC_PAUSE_BUTTON, pause);
    });
    connect(&m_session, &CPlaybackSession::MuteChanged, this, [this](bool muted) {
        SetButtonCheck(IDC_MUTE_BUTTON, muted);
        m_pMuteButton->SetIcon(MuteIcon(muted), MUTE_IMAGE_SIZE);
    });
    connect(&m_session, &CPlaybackSession::VolumeChanged, this, [this](int volume) {
        // Shown, not chosen by the learner: the session already knows it.
        const QSignalBlocker blocker(m_pVolumeSlider);
        m_pVolumeSlider->setValue(volume);
    });
}

void CPlayerBar::SetButtonCheck(unsigned id, bool pressed)
{
    if (CImageButton *button = Button(id))
        button->SetCheck(pressed);
}

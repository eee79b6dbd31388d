#include "frame/CEffectsBar.h"

#include "app/Resource.h"
#include "frame/CEffectsPanel.h"
#include "widgets/CImageButton.h"
#include "widgets/CommandIcons.h"
#include "widgets/DialogUnits.h"
#include "widgets/FontFaces.h"

#include <QWheelEvent>
#include <algorithm>

namespace
{

// Dialog template of the bar, in dialog units of its 10-point font.
constexpr QSize kBarSize(105, 215);
constexpr QRect kUpButtonPlace(7, 5, 97, 14);
constexpr QRect kDownButtonPlace(6, 198, 97, 14);
constexpr QRect kViewportPlace(6, 20, 96, 172);
constexpr int kIconSize = 16;

} // namespace

CEffectsBar::CEffectsBar(IEffectsTarget &target, QWidget *parent) : QWidget(parent)
{
    setFont(DialogFont(10));
    setAccessibleName(QStringLiteral("音效栏"));
    CreateButtons();
    m_pViewport = new QWidget(this);
    m_pViewport->setAccessibleName(QStringLiteral("音效"));
    m_pViewport->setGeometry(CDialogUnits(font()).ToPixels(kViewportPlace));
    m_pPanel = new CEffectsPanel(target, m_pViewport);
    m_raise = [this](unsigned id) { ExecuteIfEnabled(id); };
    OnCommand(IDC_SCROLL_UP, [this] { ScrollUp(); });
    OnCommand(IDC_SCROLL_DOWN, [this] { ScrollDown(); });
}

CEffectsBar::~CEffectsBar() = default;

void CEffectsBar::CreateButtons()
{
    const CDialogUnits units(font());
    m_pUpButton = CreateButton(IDC_SCROLL_UP, QStringLiteral("向上滚动"), units.ToPixels(kUpButtonPlace));
    m_pDownButton = CreateButton(IDC_SCROLL_DOWN, QStringLiteral("向下滚动"), units.ToPixels(kDownButtonPlace));
}

CImageButton *CEffectsBar::CreateButton(unsigned id, const QString &tooltip, const QRect &place)
{
    auto *button = new CImageButton(id, this);
    button->SetIcon(CommandIcon(id), kIconSize);
    button->SetTooltipText(tooltip);
    button->SetCommandRaiser([this](unsigned raised) { m_raise(raised); });
    button->setGeometry(place);
    button->SetThemeHelper(&m_themeHelper);
    if (m_themeHelper.IsAppThemed())
        button->SetToolbarLook(true);
    return button;
}

void CEffectsBar::EnableForRate(std::uint32_t sampleRate, bool tempoAdjustable)
{
    m_pPanel->EnableForRate(sampleRate, tempoAdjustable);
}

void CEffectsBar::ScrollUp()
{
    if (m_nScrollOffset == 0)
        return;
    m_nScrollOffset += SCROLL_STEP;
    MovePanel();
}

void CEffectsBar::ScrollDown()
{
    // Nothing of the panel is hidden below the viewport: nothing to scroll to.
    if (m_nScrollOffset + m_pPanel->height() <= m_pViewport->height())
        return;
    m_nScrollOffset -= SCROLL_STEP;
    MovePanel();
}

void CEffectsBar::MovePanel()
{
    m_pPanel->move(0, m_nScrollOffset);
}

void CEffectsBar::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore(); // a sideways wheel
        return;
    }
    if (delta > 0)
        ScrollUp();
    else
        ScrollDown();
    event->accept();
}

void CEffectsBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The up button and the viewport keep their places; the down button keeps
    // the template's distance from the bottom edge and the viewport fills the
    // room above it.
    const SBarMargins margins = Margins();
    const int downY = height() - margins.belowDownTop;
    m_pDownButton->move(m_pDownButton->x(), downY);
    m_pViewport->resize(std::max(0, width() - m_pViewport->x() - margins.right),
                        std::max(0, downY - margins.aboveDown - m_pViewport->y()));
}

CEffectsBar::SBarMargins CEffectsBar::Margins() const
{
    const CDialogUnits units(font());
    const QSize bar = units.ToPixels(kBarSize);
    const QRect down = units.ToPixels(kDownButtonPlace), viewport = units.ToPixels(kViewportPlace);
    return {bar.width() - (viewport.x() + viewport.width()), bar.height() - down.y(),
            down.y() - (viewport.y() + viewport.height())};
}

QSize CEffectsBar::sizeHint() const
{
    return {minimumSizeHint().width(), CDialogUnits(font()).ToPixels(kBarSize).height()};
}

QSize CEffectsBar::minimumSizeHint() const
{
    // Wide enough for the panel, so it is never cut at the side; tall enough
    // for the two buttons and a strip of the panel between them.
    const SBarMargins margins = Margins();
    const int width = std::max(DOCKED_WIDTH, m_pViewport->x() + m_pPanel->width() + margins.right);
    const int strip = m_pDownButton->height();
    return {width, m_pViewport->y() + strip + margins.aboveDown + margins.belowDownTop};
}

#include "views/CFormatBar.h"

#include "app/Resource.h"
#include "views/SelectionFont.h"
#include "widgets/CommandIcons.h"
#include "widgets/FontFaces.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLayout>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTextEdit>
#include <QToolButton>

namespace
{

constexpr int kBoxPointSize = 8;
constexpr int kFaceBoxChars = 32; // widths in average characters of the box font
constexpr int kSizeBoxChars = 12;
// The opened lists are 16 and 14 lines high, the box's own line included.
constexpr int kFaceListLines = 15;
constexpr int kSizeListLines = 13;

// A format button: pressed while its command's check mark is set, pressed
// with a grey image while it is indeterminate (the selection is partly so).
class CFormatButton : public QToolButton
{
public:
    explicit CFormatButton(QWidget *parent) : QToolButton(parent) {}

    // Runs at every idle moment: a repaint only when the mark changes.
    void SetCheckState(int check)
    {
        if (check == m_nCheck)
            return;
        m_nCheck = check;
        setChecked(check == 1);
        update();
    }
    int CheckState() const { return m_nCheck; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        if (m_nCheck == 2) {
            option.state |= QStyle::State_On | QStyle::State_Sunken;
            option.icon = QIcon(icon().pixmap(iconSize(), QIcon::Disabled));
        }
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
    }

private:
    int m_nCheck = 0;
};

// A list box that says when its list has closed, with a choice or without.
class CFormatListBox : public QComboBox
{
public:
    CFormatListBox(QWidget *parent, std::function<void()> onClosed) : QComboBox(parent), m_onClosed(std::move(onClosed))
    {
    }

    void hidePopup() override
    {
        const bool open = view()->isVisible(); // a box that hides hides its list too
        QComboBox::hidePopup();
        if (open)
            m_onClosed();
    }

private:
    std::function<void()> m_onClosed;
};

} // namespace

CFormatBar::CFormatBar(QWidget *parent) : QToolBar(parent)
{
    RegisterFaceSubstitutes();
    m_boxFont = QFont(QStringLiteral("MS Sans Serif"), kBoxPointSize);
    setObjectName(QStringLiteral("FormatBar"));
    setAccessibleName(QStringLiteral("格式栏"));
    setWindowTitle(accessibleName());
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(1);

    AddButton(ID_CHAR_BOLD, QStringLiteral("粗体"));
    AddButton(ID_CHAR_ITALIC, QStringLiteral("斜体"));
    AddButton(ID_CHAR_UNDERLINE, QStringLiteral("下划线"));
    addSeparator();
    AddButton(ID_PARA_LEFT, QStringLiteral("左对齐"));
    AddButton(ID_PARA_CENTER, QStringLiteral("居中"));
    AddButton(ID_PARA_RIGHT, QStringLiteral("右对齐"));
    addSeparator();
    CreateFontNameBox();
    addSeparator();
    CreateFontSizeBox();
    addSeparator();
    AddButton(ID_FORMAT_COLOR, QStringLiteral("文字着色"));
}

// The buttons have no tooltips; the name is for assistive technology.
void CFormatBar::AddButton(unsigned id, const QString &name)
{
    auto *button = new CFormatButton(this);
    button->setIcon(CommandIcon(id));
    button->setAccessibleName(name);
    button->setAutoRaise(true);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus); // a click leaves the caret in the editor
    connect(button, &QToolButton::clicked, this, [this, id] {
        if (m_raise)
            m_raise(id);
        UpdateButtons();
    });
    addWidget(button);
    m_buttons[id] = button;
}

void CFormatBar::CreateFontNameBox()
{
    m_pFontNameBox = new CFormatListBox(this, [this] { OnListClosed(); });
    m_pFontNameBox->setObjectName(QStringLiteral("FontNameBox"));
    m_pFontNameBox->setAccessibleName(QStringLiteral("字体"));
    m_pFontNameBox->setFont(m_boxFont);
    m_pFontNameBox->setStyleSheet(QStringLiteral("combobox-popup: 0;")); // a scrolled list, not a menu
    m_pFontNameBox->setMaxVisibleItems(kFaceListLines);
    m_pFontNameBox->setFixedWidth(kFaceBoxChars * QFontMetrics(m_boxFont).averageCharWidth());
    // The installed faces at the time the bar is made; fonts installed later are not added.
    m_pFontNameBox->addItems(ScalableFaceNames());
    m_pFontNameBox->setCurrentIndex(-1);
    connect(m_pFontNameBox, &QComboBox::activated, this, &CFormatBar::OnFontNameChosen);
    addWidget(m_pFontNameBox);
}

void CFormatBar::CreateFontSizeBox()
{
    m_pFontSizeBox = new CFormatListBox(this, [this] { OnListClosed(); });
    m_pFontSizeBox->setObjectName(QStringLiteral("FontSizeBox"));
    m_pFontSizeBox->setAccessibleName(QStringLiteral("字号"));
    m_pFontSizeBox->setFont(m_boxFont);
    m_pFontSizeBox->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    m_pFontSizeBox->setMaxVisibleItems(kSizeListLines);
    m_pFontSizeBox->setFixedWidth(kSizeBoxChars * QFontMetrics(m_boxFont).averageCharWidth());
    for (int points : kFontSizes)
        m_pFontSizeBox->addItem(QString::number(points));
    m_pFontSizeBox->setCurrentIndex(-1);
    connect(m_pFontSizeBox, &QComboBox::activated, this, &CFormatBar::OnFontSizeChosen);
    addWidget(m_pFontSizeBox);
}

void CFormatBar::SetCommandRouting(CommandRaiser raise, CommandQuery query)
{
    m_raise = std::move(raise);
    m_query = std::move(query);
}

QToolButton *CFormatBar::Button(unsigned id) const
{
    const auto found = m_buttons.find(id);
    return found == m_buttons.end() ? nullptr : found->second;
}

int CFormatBar::ButtonCheck(unsigned id) const
{
    const QToolButton *button = Button(id);
    return button == nullptr ? 0 : static_cast<const CFormatButton *>(button)->CheckState();
}

void CFormatBar::OnUpdateCmdUI()
{
    UpdateButtons();
    if (m_pEditor == nullptr || IsWorkingInLists())
        return;
    FollowSelection();
}

void CFormatBar::UpdateButtons()
{
    for (const auto &[id, button] : m_buttons) {
        const CCmdUI state = m_query ? m_query(id) : CCmdUI(id);
        button->setEnabled(state.m_bEnabled);
        static_cast<CFormatButton *>(button)->SetCheckState(state.m_nCheck);
    }
}

// The lists are left alone while the learner works in them.
bool CFormatBar::IsWorkingInLists() const
{
    for (const QComboBox *box : {m_pFontNameBox, m_pFontSizeBox})
        if (box->hasFocus() || box->view()->isVisible())
            return true;
    return false;
}

// An empty face or a size of -1 (a selection that mixes them) empties the
// list's box; otherwise the box shows the first entry that begins with the
// face, or with the size in whole points (7 points shows 72).
void CFormatBar::FollowSelection()
{
    const SSelectionFont font = GetSelectionFont(*m_pEditor);
    if (m_pFontNameBox->currentText() != font.face)
        m_pFontNameBox->setCurrentIndex(font.face.isEmpty() ? -1
                                                            : m_pFontNameBox->findText(font.face, Qt::MatchStartsWith));
    const int points = font.twips / 20; // toward zero: -1 gives 0, the value of an empty box
    if (m_pFontSizeBox->currentText().toInt() != points)
        m_pFontSizeBox->setCurrentIndex(
            font.twips == -1 ? -1 : m_pFontSizeBox->findText(QString::number(points), Qt::MatchStartsWith));
}

void CFormatBar::OnFontNameChosen(int index)
{
    if (m_pEditor != nullptr && index >= 0)
        SetSelectionFontName(*m_pEditor, m_pFontNameBox->itemText(index));
}

void CFormatBar::OnFontSizeChosen(int index)
{
    if (m_pEditor != nullptr && index >= 0)
        SetSelectionFontSize(*m_pEditor, m_pFontSizeBox->itemText(index).toInt() * 20);
}

void CFormatBar::OnListClosed()
{
    if (m_pEditor != nullptr)
        m_pEditor->setFocus();
}

#include "views/SelectionMarks.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace
{

// The formats the selection covers; with no selection (or one of paragraph
// marks alone), the format the next typed character takes.
std::vector<QTextCharFormat> SelectedFormats(const QTextCursor &cursor)
{
    std::vector<QTextCharFormat> formats = SelectedCharFormats(cursor);
    if (formats.empty())
        formats.push_back(cursor.charFormat());
    return formats;
}

Qt::Alignment HorizontalAlignment(const QTextBlock &block)
{
    const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (alignment & Qt::AlignJustify)
        return Qt::AlignJustify;
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

std::vector<QTextCharFormat> WalkSelectedFormats(const QTextDocument &document, int start, int end)
{
    // A long selection has many pieces but few different formats; each is
    // taken once.
    std::vector<QTextCharFormat> formats;
    std::vector<int> seen;
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end; block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece) {
            const QTextFragment fragment = piece.fragment();
            const int index = fragment.charFormatIndex();
            if (fragment.position() < end && fragment.position() + fragment.length() > start &&
                std::find(seen.begin(), seen.end(), index) == seen.end()) {
                seen.push_back(index);
                formats.push_back(fragment.charFormat());
            }
        }
    return formats;
}

// The formats last found between two positions of a document, kept by the
// document itself. One update of the window asks about the same selection
// several times (three effects, the face and the size), and walking all of a
// long transcript's pieces takes tens of milliseconds each time. Any change
// of the text or its formats drops what was found.
class CFoundFormats : public QObject
{
    Q_OBJECT

public:
    explicit CFoundFormats(QTextDocument &document) : QObject(&document)
    {
        connect(&document, &QTextDocument::contentsChange, this, [this] { m_nStart = -1; });
    }

    static CFoundFormats &Of(QTextDocument &document)
    {
        auto *found = document.findChild<CFoundFormats *>(QString(), Qt::FindDirectChildrenOnly);
        return found != nullptr ? *found : *new CFoundFormats(document);
    }

    const std::vector<QTextCharFormat> &Between(int start, int end)
    {
        if (m_nStart != start || m_nEnd != end) {
            m_formats = WalkSelectedFormats(*static_cast<const QTextDocument *>(parent()), start, end);
            m_nStart = start;
            m_nEnd = end;
        }
        return m_formats;
    }

private:
    int m_nStart = -1;
    int m_nEnd = -1;
    std::vector<QTextCharFormat> m_formats;
};

} // namespace

std::vector<QTextCharFormat> SelectedCharFormats(const QTextCursor &cursor)
{
    if (!cursor.hasSelection())
        return {};
    return CFoundFormats::Of(*cursor.document()).Between(cursor.selectionStart(), cursor.selectionEnd());
}

bool HasEffect(const QTextCharFormat &format, ECharEffect effect)
{
    switch (effect) {
    case ECharEffect::Bold: return format.fontWeight() >= QFont::DemiBold;
    case ECharEffect::Italic: return format.fontItalic();
    case ECharEffect::Underline: return format.fontUnderline();
    }
    return false;
}

QTextCharFormat EffectFormat(ECharEffect effect, bool on)
{
    QTextCharFormat format;
    switch (effect) {
    case ECharEffect::Bold: format.setFontWeight(on ? QFont::Bold : QFont::Normal); break;
    case ECharEffect::Italic: format.setFontItalic(on); break;
    case ECharEffect::Underline: format.setFontUnderline(on); break;
    }
    return format;
}

int EffectCheck(const QTextCursor &cursor, ECharEffect effect)
{
    const std::vector<QTextCharFormat> formats = SelectedFormats(cursor);
    const bool first = HasEffect(formats.front(), effect);
    for (const QTextCharFormat &format : formats)
        if (HasEffect(format, effect) != first)
            return 2;
    return first ? 1 : 0;
}

int AlignmentCheck(const QTextCursor &cursor, Qt::Alignment alignment)
{
    const QTextDocument &document = *cursor.document();
    const QTextBlock last = document.findBlock(cursor.selectionEnd());
    QTextBlock block = document.findBlock(cursor.selectionStart());
    const Qt::Alignment shared = HorizontalAlignment(block);
    for (; block.isValid(); block = block.next()) {
        if (HorizontalAlignment(block) != shared)
            return 2;
        if (block == last)
            break;
    }
    return shared == alignment ? 1 : 0;
}

QTextCharFormat CommonCharFormat(const QTextCursor &cursor)
{
    const std::vector<QTextCharFormat> formats = SelectedFormats(cursor);
    QTextCharFormat common = formats.front();
    const QMap<int, QVariant> properties = common.properties();
    for (auto property = properties.begin(); property != properties.end(); ++property)
        for (const QTextCharFormat &format : formats)
            if (format.property(property.key()) != property.value()) {
                common.clearProperty(property.key());
                break;
            }
    return common;
}

#include "SelectionMarks.moc"

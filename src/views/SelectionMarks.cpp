#include "views/SelectionMarks.h"

#include <QFont>
#include <QPointer>
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

} // namespace

namespace
{

// The formats last found, for one document and one selection. The window asks
// about the same selection several times at every idle moment; walking a whole
// transcript's pieces takes milliseconds each time. Any change of the text or
// its formats drops what was found.
struct SFormatsFound {
    QPointer<const QTextDocument> document;
    QMetaObject::Connection watch;
    int start = -1;
    int end = -1;
    std::vector<QTextCharFormat> formats;
};

SFormatsFound g_found;

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

} // namespace

std::vector<QTextCharFormat> SelectedCharFormats(const QTextCursor &cursor)
{
    if (!cursor.hasSelection())
        return {};
    const QTextDocument &document = *cursor.document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    if (g_found.document != &document) {
        QObject::disconnect(g_found.watch);
        g_found.document = &document;
        g_found.watch = QObject::connect(&document, &QTextDocument::contentsChange, [] { g_found.start = -1; });
        g_found.start = -1;
    }
    if (g_found.start != start || g_found.end != end) {
        g_found.formats = WalkSelectedFormats(document, start, end);
        g_found.start = start;
        g_found.end = end;
    }
    return g_found.formats;
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

#include "app/CStringTable.h"

#include "app/Resource.h"

#include <QHash>

namespace
{

struct SString {
    unsigned id;
    const char16_t *text;
};

constexpr SString kStrings[] = {
    {IDP_OLE_INIT_FAILED, u"OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。"},
    {IDR_MAINFRAME, u"Quillmere [Beta 2]\n\nRTF\nRich Text Format (*.rtf)\n.rtf\nRTF.Document\nRTF Document"},
    {AFX_IDS_APP_TITLE, u"Quillmere"},
    {AFX_IDS_IDLEMESSAGE, u"就绪"},

    // Status-bar indicators.
    {ID_INDICATOR_LINE, u"Line           "},
    {ID_INDICATOR_CAPS, u"大写"},
    {ID_INDICATOR_NUM, u"数字"},
    {ID_INDICATOR_SCRL, u"滚动"},
    {ID_INDICATOR_SEL_START, u"选择起点"},
    {ID_INDICATOR_SEL_END, u"选择终点"},
    {ID_INDICATOR_BITRATE, u"                  "},
    {ID_INDICATOR_TIME, u"               "},
    {ID_INDICATOR_DRILL, u""},

    // Pane captions and list columns.
    {IDS_COLUMN_END, u"终点"},
    {IDS_COLUMN_FILE_NAME, u"文件名"},
    {IDS_COLUMN_FILE_SIZE, u"文件大小"},
    {IDS_COLUMN_START, u"起点"},
    {IDS_PLAYLIST_CAPTION, u"  播放列表："},
    {IDS_SELECTION_CAPTION, u"  选择列表："},
};

const QHash<unsigned, QString> &Table()
{
    static const QHash<unsigned, QString> table = [] {
        QHash<unsigned, QString> strings;
        for (const SString &entry : kStrings)
            strings.insert(entry.id, QString::fromUtf16(entry.text));
        return strings;
    }();
    return table;
}

} // namespace

QString LoadResString(unsigned id)
{
    return Table().value(id);
}

QString ResStringField(unsigned id, int field)
{
    return LoadResString(id).section(QLatin1Char('\n'), field, field);
}

#include "app/CStringTable.h"

#include "app/Resource.h"

#include <QHash>

namespace
{

struct SString {
    unsigned id;
    const char16_t *text;
};

// Command strings are "status-bar prompt\ntooltip".
constexpr SString kStrings[] = {
    {IDP_OLE_INIT_FAILED, u"OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。"},
    {IDR_MAINFRAME, u"Quillmere [Beta 2]\n\nRTF\nRich Text Format (*.rtf)\n.rtf\nRTF.Document\nRTF Document"},
    {AFX_IDS_APP_TITLE, u"Quillmere"},
    {AFX_IDS_IDLEMESSAGE, u"就绪"},

    // Control-bar buttons: tooltips only.
    {IDC_PLAY_BUTTON, u"\n播放 F1"},
    {IDC_PAUSE_BUTTON, u"\n暂停 F1"},
    {IDC_STOP, u"\n停止 F2"},
    {IDC_PREV_ITEM, u"\n上一项目 Alt+UP"},
    {IDC_NEXT_ITEM, u"\n下一项目 Alt+DOWN"},
    {IDC_START_LEFT, u"\n左移起点 F5"},
    {IDC_SET_START, u"\n选择起点 F6"},
    {IDC_SET_END, u"\n选择终点 F7"},
    {IDC_END_RIGHT, u"\n右移终点 F8"},
    {IDC_PREV_SELECTION, u"\n上一选择段 Ctrl+U"},
    {IDC_NEXT_SELECTION, u"\n下一选择段 Ctrl+D"},
    {IDC_CLEAR_SELECTION, u"\n清除选择 F9"},
    {IDC_SAVE_SELECTION, u"\n保存选择 F10"},
    {IDC_MUTE_BUTTON, u"\n静音 Ctrl+M"},

    // The program's own command prompts.
    {ID_SETTINGS, u"应用程序设置\n设置"},

    // Standard commands.
    {ID_FILE_NEW, u"创建新的听写文本\n新建"},
    {ID_FILE_OPEN, u"打开现有媒体文件\n打开媒体"},
    {ID_FILE_SAVE, u"保存活动文档\n保存听写文本"},
    {ID_FILE_SAVE_AS, u"将活动文档以一个新文件名保存\n听写文本另存为"},
    {ID_FILE_PRINT_SETUP, u"更改打印机及打印选项\n打印设置"},
    {ID_FILE_PRINT, u"打印活动文档\n打印"},
    {ID_FILE_PRINT_PREVIEW, u"显示整页\n打印预览"},
    {ID_EDIT_COPY, u"复制选定内容并将其放到剪贴板上\n复制"},
    {ID_EDIT_CUT, u"剪切选定内容并将其放到剪贴板上\n剪切"},
    {ID_EDIT_FIND, u"查找指定的文本\n查找"},
    {ID_EDIT_PASTE, u"插入剪贴板内容\n粘贴"},
    {ID_EDIT_PASTE_SPECIAL, u"插入剪贴板内容并选择其格式\n选择性粘贴"},
    {ID_EDIT_REPEAT, u"查找下一个相同的文本\n查找下一个"},
    {ID_EDIT_REPLACE, u"用其他文本替换指定的文本\n替换"},
    {ID_EDIT_SELECT_ALL, u"选定整个文档\n全选"},
    {ID_EDIT_UNDO, u"撤消上一个操作\n撤消"},
    {ID_APP_ABOUT, u"显示程序信息和版本号\n关于"},
    {ID_APP_EXIT, u"退出应用程序；提示保存文档\n退出"},
    {ID_DRILL_TOGGLE, u"逐段听写：每段播放数遍，每遍后留出书写时间\n听写练习"},
    {ID_NEXT_PANE, u"切换到下一个窗格\n下一窗格"},
    {ID_PREV_PANE, u"切换回上一个窗格\n上一窗格"},
    {ID_VIEW_TOOLBAR, u"显示或隐藏工具栏\n切换工具栏"},
    {ID_VIEW_STATUS_BAR, u"显示或隐藏状态栏\n切换状态栏"},

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

// Numbers of every command, string, menu, toolbar and status-bar indicator.
// Commands from 57344 up keep the names of the standard commands; the
// program's own commands and the control bar's buttons carry their own names.
#pragma once

// Effects-bar buttons: they scroll the effects panel.
inline constexpr unsigned IDC_SCROLL_UP = 1001;
inline constexpr unsigned IDC_SCROLL_DOWN = 1002;

// Control-bar buttons and the commands of the same number.
inline constexpr unsigned IDC_PLAY_BUTTON = 1004;
inline constexpr unsigned IDC_STOP = 1005;
inline constexpr unsigned IDC_PAUSE_BUTTON = 1006;
inline constexpr unsigned IDC_MUTE_BUTTON = 1007;
inline constexpr unsigned IDC_PREV_ITEM = 1008;
inline constexpr unsigned IDC_NEXT_ITEM = 1009;
inline constexpr unsigned IDC_START_LEFT = 1010;
inline constexpr unsigned IDC_SET_START = 1011;
inline constexpr unsigned IDC_SET_END = 1012;
inline constexpr unsigned IDC_END_RIGHT = 1013;
inline constexpr unsigned IDC_CLEAR_SELECTION = 1014;
inline constexpr unsigned IDC_SAVE_SELECTION = 1015;
inline constexpr unsigned IDC_PREV_SELECTION = 1016;
inline constexpr unsigned IDC_NEXT_SELECTION = 1017;

// The program's own commands.
inline constexpr unsigned ID_ESCAPE = 32768; // bound to Esc; nobody handles it
inline constexpr unsigned ID_VIEW_CONTROLBAR = 32771;
inline constexpr unsigned ID_PLAY_PAUSE = 32772;
inline constexpr unsigned ID_MUTE = 32773;
inline constexpr unsigned ID_VOLUME_DOWN = 32775;
inline constexpr unsigned ID_VOLUME_UP = 32776;
inline constexpr unsigned ID_SETTINGS = 32777;
inline constexpr unsigned ID_CHAR_BOLD = 32779;
inline constexpr unsigned ID_CHAR_ITALIC = 32780;
inline constexpr unsigned ID_CHAR_UNDERLINE = 32781;
inline constexpr unsigned ID_PARA_LEFT = 32782;
inline constexpr unsigned ID_PARA_CENTER = 32783;
inline constexpr unsigned ID_PARA_RIGHT = 32784;
inline constexpr unsigned ID_FONT_NAME_SLOT = 32785; // the format bar's font-name box stands here
inline constexpr unsigned ID_FONT_SIZE_SLOT = 32786; // and its size box here
inline constexpr unsigned ID_VIEW_EFFECTSBAR = 32789;
inline constexpr unsigned ID_ORDER_REPEAT_ONE = 32791;
inline constexpr unsigned ID_ORDER_DEFAULT = 32792;
inline constexpr unsigned ID_ORDER_REPEAT_LIST = 32793;
inline constexpr unsigned ID_MEDIA_PROPERTIES = 32794;
inline constexpr unsigned ID_PLAYLIST_PROPERTIES = 32795;
inline constexpr unsigned ID_PLAYLIST_PLAY = 32796;
inline constexpr unsigned ID_PLAYLIST_REMOVE = 32797;
inline constexpr unsigned ID_PLAYLIST_ADD = 32798;
inline constexpr unsigned ID_FORMAT_FONT = 32799;
inline constexpr unsigned ID_FORMAT_COLOR = 32800;
inline constexpr unsigned ID_SELECTION_REMOVE = 32801;
inline constexpr unsigned ID_SELECTION_REMOVE_ALL = 32802;
inline constexpr unsigned ID_SELECTION_PLAY = 32803;
inline constexpr unsigned ID_PLAYLIST_REMOVE_ALL = 32804;
inline constexpr unsigned ID_TRAY_RESTORE = 32805;
inline constexpr unsigned ID_HELP_MAIL = 32806;
inline constexpr unsigned ID_HELP_WEBSITE = 32807;
// The dictation drill over the saved selections: on and off, passes per
// selection (1 to 9: first + n - 1) and the silence after each pass (0 to 10
// seconds: first + seconds).
inline constexpr unsigned ID_DRILL_TOGGLE = 32808;
inline constexpr unsigned ID_DRILL_PASSES_FIRST = 32810;
inline constexpr unsigned ID_DRILL_PASSES_LAST = 32818;
inline constexpr unsigned ID_DRILL_GAP_FIRST = 32820;
inline constexpr unsigned ID_DRILL_GAP_LAST = 32830;
// Timestamps in the transcript: the playing position inserted at the caret,
// and playback from the timestamp the caret stands on.
inline constexpr unsigned ID_INSERT_TIMESTAMP = 32831;
inline constexpr unsigned ID_PLAY_FROM_TIMESTAMP = 32832;
// Checking the transcript against the reference text, and a hint of the next word.
inline constexpr unsigned ID_CHECK_DICTATION = 32833;
inline constexpr unsigned ID_DICTATION_HINT = 32834;
// Stretches cut again at the pauses, and the selection list saved as the item's .lrc.
inline constexpr unsigned ID_FIND_STRETCHES = 32835;
inline constexpr unsigned ID_SAVE_STRETCHES = 32836;
// The dialog of the stretch lengths and the foot pedal.
inline constexpr unsigned ID_LESSON_SETTINGS = 32837;

// Standard commands.
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_SAVE = 57603;
inline constexpr unsigned ID_FILE_SAVE_AS = 57604;
inline constexpr unsigned ID_FILE_PRINT_SETUP = 57606;
inline constexpr unsigned ID_FILE_PRINT = 57607;
inline constexpr unsigned ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr unsigned ID_FILE_MRU_FILE1 = 57616;
inline constexpr unsigned ID_FILE_MRU_LAST = 57631;
inline constexpr unsigned ID_EDIT_COPY = 57634;
inline constexpr unsigned ID_EDIT_CUT = 57635;
inline constexpr unsigned ID_EDIT_FIND = 57636;
inline constexpr unsigned ID_EDIT_PASTE = 57637;
inline constexpr unsigned ID_EDIT_PASTE_SPECIAL = 57639;
inline constexpr unsigned ID_EDIT_REPEAT = 57640;
inline constexpr unsigned ID_EDIT_REPLACE = 57641;
inline constexpr unsigned ID_EDIT_SELECT_ALL = 57642;
inline constexpr unsigned ID_EDIT_UNDO = 57643;
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned ID_NEXT_PANE = 57680;
inline constexpr unsigned ID_PREV_PANE = 57681;
inline constexpr unsigned ID_OLE_INSERT_NEW = 57856;
inline constexpr unsigned ID_OLE_EDIT_LINKS = 57857;
inline constexpr unsigned ID_OLE_EDIT_PROPERTIES = 57860;
inline constexpr unsigned ID_OLE_VERB_FIRST = 57872;
inline constexpr unsigned ID_VIEW_TOOLBAR = 59392;
inline constexpr unsigned ID_VIEW_STATUS_BAR = 59393;

// Status-bar indicators.
inline constexpr unsigned ID_INDICATOR_CAPS = 59137;
inline constexpr unsigned ID_INDICATOR_NUM = 59138;
inline constexpr unsigned ID_INDICATOR_SCRL = 59139;
inline constexpr unsigned ID_INDICATOR_LINE = 61451;
inline constexpr unsigned ID_INDICATOR_SEL_START = 61452;
inline constexpr unsigned ID_INDICATOR_SEL_END = 61453;
inline constexpr unsigned ID_INDICATOR_BITRATE = 61454;
inline constexpr unsigned ID_INDICATOR_TIME = 61455;
inline constexpr unsigned ID_INDICATOR_DRILL = 61458;

// Strings that are not command prompts.
inline constexpr unsigned IDP_OLE_INIT_FAILED = 100;
inline constexpr unsigned IDR_MAINFRAME = 128; // the document string
inline constexpr unsigned IDS_COLUMN_END = 61447;
inline constexpr unsigned IDS_COLUMN_FILE_NAME = 61448;
inline constexpr unsigned IDS_COLUMN_FILE_SIZE = 61449;
inline constexpr unsigned IDS_COLUMN_START = 61450;
inline constexpr unsigned IDS_PLAYLIST_CAPTION = 61456;
inline constexpr unsigned IDS_SELECTION_CAPTION = 61457;
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;
inline constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;

// Menus and toolbars.
inline constexpr unsigned IDR_PLAYLIST_POPUP = 157;
inline constexpr unsigned IDR_SELECTION_POPUP = 158;
inline constexpr unsigned IDR_TRAY_POPUP = 163;
inline constexpr unsigned IDR_EDITOR_POPUP = 104;
inline constexpr unsigned IDR_FORMATBAR = 149;

// Identifiers of the dialogs, controls, menus, strings and icons.
#pragma once

#include "platform/DialogIds.h" // IDOK, IDCANCEL and IDC_STATIC

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_MAINMENU = 132;

inline constexpr int IDC_FILEPATH = 1000;
inline constexpr int IDC_OPEN = 1001;
inline constexpr int IDC_RUN = 1002;
inline constexpr int IDC_CONTENT = 1003;
inline constexpr int IDC_ENCODING = 1004;
inline constexpr int IDC_RESULT = 1005;
inline constexpr int IDC_SAVE = 1006;
inline constexpr int IDC_LINK1 = 1007;
inline constexpr int IDC_LINK2 = 1008;
// The label over the result box, which carries the last Run's counts as its tooltip.
inline constexpr int IDC_RESULT_CAPTION = 1009;

inline constexpr unsigned IDM_ABOUTBOX = 0x0010;   // window-menu command of the About entry
inline constexpr unsigned ID_VERSION_INFO = 32771; // menu-bar command "バージョン情報"
// The menu-bar popup "オプション", to which the window adds the options it remembers that the
// template does not hold.
inline constexpr unsigned IDM_OPTIONS = 32780;
// The comparison options of the menu "オプション", one after the other in the order of the
// options' names (core/compare/CompareOptions.h).
inline constexpr unsigned ID_COMPARE_IGNORE_SPACE = 32772;
inline constexpr unsigned ID_COMPARE_IGNORE_WIDTH = 32773;
inline constexpr unsigned ID_COMPARE_IGNORE_KANA = 32774;
inline constexpr unsigned ID_COMPARE_IGNORE_CASE = 32775;
inline constexpr unsigned ID_COMPARE_BLANK_AS_EMPTY = 32776;
inline constexpr unsigned ID_COMPARE_KEEP_EMPTY = 32777;
inline constexpr unsigned ID_COMPARE_KEEP_LAST = 32778;

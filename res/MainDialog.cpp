#include "res/MainDialog.h"

#include "res/MainMenu.h"
#include "res/ResourceIds.h"

using namespace dlgstyle;

namespace {

constexpr std::uint32_t kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr std::uint32_t kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr std::uint32_t kTextBox = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL |
                                   WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN;
constexpr std::uint32_t kLink = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

// Template order is tab order. The two links show the addresses of the installed README and
// LICENSE, which are only known at run time; the window fills them in.
constexpr DialogItemTemplate kItems[] = {
    {IDOK, "Button", "OK", 383, 313, 50, 14, WS_CHILD | WS_DISABLED | WS_TABSTOP | BS_DEFPUSHBUTTON,
     "IDOK"},
    {IDCANCEL, "Button", "終了", 442, 313, 50, 14, kButton, "IDCANCEL"},
    {IDC_FILEPATH, "MfcEditBrowse", "", 7, 16, 485, 14,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, "IDC_FILEPATH"},
    {IDC_OPEN, "Button", "開く", 442, 31, 50, 14, kButton, "IDC_OPEN"},
    {IDC_RUN, "Button", "実行", 442, 47, 50, 14, kButton, "IDC_RUN"},
    {IDC_STATIC, "Static", "ファイルの内容と処理結果", 7, 54, 40, 8, kLabel, ""},
    {IDC_CONTENT, "Edit", "", 7, 63, 241, 218, kTextBox, "IDC_CONTENT"},
    {IDC_STATIC, "Static", "ファイル選択", 7, 7, 34, 8, kLabel, ""},
    {IDC_RESULT_CAPTION, "Static", "処理結果", 251, 54, 51, 8, kLabel, "IDC_RESULT_CAPTION"},
    {IDC_RESULT, "Edit", "", 251, 63, 241, 218, kTextBox | ES_READONLY, "IDC_RESULT"},
    {IDC_ENCODING, "ComboBoxEx32", "", 366, 31, 73, 68,
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT, "IDC_ENCODING"},
    {IDC_SAVE, "Button", "保存", 442, 283, 50, 14, kButton, "IDC_SAVE"},
    {IDC_STATIC, "Static", "このプログラムの説明とライセンスは、下の二つの文書にあります。", 7, 283,
     282, 8, kLabel, ""},
    {IDC_LINK1, "MfcLink", "", 7, 295, 261, 14, kLink, "IDC_LINK1"},
    {IDC_LINK2, "MfcLink", "", 7, 313, 327, 14, kLink, "IDC_LINK2"},
};

} // namespace

const DialogTemplate kMainDialogTemplate = {
    .id = IDD_MAIN,
    .caption = "タンドレル",
    .x = 0,
    .y = 0,
    .cx = 499,
    .cy = 334,
    .style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    .exStyle = WS_EX_APPWINDOW,
    .fontFace = "MS UI Gothic",
    .pointSize = 9,
    .menuId = IDR_MAINMENU,
    .items = kItems,
    .menu = &kMainMenuTemplate,
};

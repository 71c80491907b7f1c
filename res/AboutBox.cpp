#include "res/AboutBox.h"

#include "res/BuildFacts.h"
#include "res/ResourceIds.h"

using namespace dlgstyle;

namespace {

constexpr std::uint32_t kText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;

// The rows for a postal code, an address, a building, a person's name and telephone numbers
// stay empty: the program has no publisher with any of them. Every text here is a fact about
// the program itself.
constexpr DialogItemTemplate kItems[] = {
    // "#128" names the icon resource IDR_MAINFRAME, as an icon static's text does on Windows.
    {IDC_STATIC, "Static", "#128", 45, 7, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON, ""},
    {IDC_STATIC, "Static", "タンドレル　Ver" TANDREL_VERSION_THREE, 69, 14, 93, 8,
     kText | SS_NOPREFIX, ""},
    {IDC_STATIC, "Static", "ライセンス: GPL-3.0-or-later", 69, 26, 119, 8, kText, ""},
    {IDOK, "Button", "OK", 179, 186, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, "IDOK"},
    {IDC_STATIC, "Static", "初版: 2026年", 69, 38, 107, 8, kText, ""},
    {IDC_STATIC, "Static", "", 58, 58, 70, 8, kText, ""},
    {IDC_STATIC, "Static", "", 58, 71, 124, 8, kText, ""},
    {IDC_STATIC, "Static", "", 111, 83, 70, 8, kText, ""},
    {IDC_STATIC, "Static", "", 58, 97, 51, 8, kText, ""},
    {IDC_STATIC, "Static", "", 58, 110, 125, 8, kText, ""},
    {IDC_STATIC, "Static",
     "GPL-3.0-or-later のもとで再配布・改変できます。\n\n"
     "このプログラムは無保証です。\n\n"
     "説明書とライセンス全文: " TANDREL_DOC_FOLDER,
     37, 142, 161, 42, kText, ""},
    {IDC_STATIC, "Static", "", 22, 128, 190, 1, WS_CHILD | WS_VISIBLE | SS_GRAYFRAME, ""},
};

} // namespace

const DialogTemplate kAboutBoxTemplate = {
    .id = IDD_ABOUTBOX,
    .caption = "バージョン情報",
    .x = 0,
    .y = 0,
    .cx = 236,
    .cy = 207,
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    .exStyle = 0,
    .fontFace = "MS UI Gothic",
    .pointSize = 9,
    .menuId = 0,
    .items = kItems,
};

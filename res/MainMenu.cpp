#include "res/MainMenu.h"

#include "res/ResourceIds.h"

namespace {

constexpr MenuCommandTemplate kAboutItems[] = {
    {ID_VERSION_INFO, "バージョン情報", "ID_VERSION_INFO"},
};

// What Run counts as the same line, in the order of the command line's flags.
constexpr MenuCommandTemplate kCompareItems[] = {
    {ID_COMPARE_IGNORE_SPACE, "前後の空白を無視する", "ID_COMPARE_IGNORE_SPACE", true},
    {ID_COMPARE_IGNORE_WIDTH, "全角と半角を区別しない", "ID_COMPARE_IGNORE_WIDTH", true},
    {ID_COMPARE_IGNORE_KANA, "ひらがなとカタカナを区別しない", "ID_COMPARE_IGNORE_KANA", true},
    {ID_COMPARE_IGNORE_CASE, "大文字と小文字を区別しない", "ID_COMPARE_IGNORE_CASE", true},
    {ID_COMPARE_BLANK_AS_EMPTY, "空白だけの行を空行とみなす", "ID_COMPARE_BLANK_AS_EMPTY", true},
};

// Which of the lines Run keeps.
constexpr MenuCommandTemplate kOptionItems[] = {
    {0, "比較", "IDM_COMPARE", false, kCompareItems},
    {ID_COMPARE_KEEP_EMPTY, "空行を残す", "ID_COMPARE_KEEP_EMPTY", true},
    {ID_COMPARE_KEEP_LAST, "最後の出現を残す", "ID_COMPARE_KEEP_LAST", true},
};

constexpr MenuPopupTemplate kPopups[] = {
    {"タンドレルについて", kAboutItems},
    {"オプション", kOptionItems, IDM_OPTIONS},
};

} // namespace

const MenuTemplate kMainMenuTemplate = {IDR_MAINMENU, kPopups};

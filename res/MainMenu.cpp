#include "res/MainMenu.h"

#include "res/ResourceIds.h"

namespace {

constexpr MenuCommandTemplate kAboutItems[] = {
    {ID_VERSION_INFO, "バージョン情報", "ID_VERSION_INFO"},
};

constexpr MenuPopupTemplate kPopups[] = {
    {"タンドレルについて", kAboutItems},
};

} // namespace

const MenuTemplate kMainMenuTemplate = {IDR_MAINMENU, kPopups};

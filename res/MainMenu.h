// The main window's menu bar, IDR_MAINMENU.
#pragma once

#include "platform/DialogTemplate.h"

extern const MenuTemplate kMainMenuTemplate;

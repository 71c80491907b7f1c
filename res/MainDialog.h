// The main window's template, IDD_MAIN, with its menu bar IDR_MAINMENU.
#pragma once

#include "platform/DialogTemplate.h"

extern const DialogTemplate kMainDialogTemplate;

// The About box template, IDD_ABOUTBOX.
#pragma once

#include "platform/DialogTemplate.h"

extern const DialogTemplate kAboutBoxTemplate;

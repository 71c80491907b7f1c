// The icon resources: IDR_MAINFRAME, the application icon, in every size it is drawn at.
#pragma once

#include <QIcon>

// The icon group nID with all its sizes (kIconSizes, res/BuildFacts.h), from which Qt picks
// the one that fits; a null icon for an id that is not an icon group.
QIcon LoadIcon(int nID);

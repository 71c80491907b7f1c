// Drawing a window's icon the way a minimized Windows window paints itself: an icon at the
// system's large-icon size, centred in the client area.
#pragma once

class QIcon;
class QPainter;

inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;

// SM_CXICON and SM_CYICON: the large-icon size of the current style, in device-independent
// pixels. Any other index gives 0.
int GetSystemMetrics(int nIndex);

// Where an icon of nIconExtent starts when centred in nExtent: (nExtent - nIconExtent + 1) / 2,
// truncated toward zero, so an area narrower than the icon gives a negative origin (width 0 and
// icon 32: -15, not -16).
int CenteredIconOrigin(int nExtent, int nIconExtent);

// Draws the icon at (x, y) at the large-icon size.
void DrawIcon(QPainter& dc, int x, int y, const QIcon& icon);

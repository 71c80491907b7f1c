// Message boxes: modal, one OK button, the icon of the type, the application's name as caption.
#pragma once

#include <string_view>

inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_ICONERROR = 0x0010;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;

// The caption of every message box: the application's name, as the framework shows it when
// the program sets no title of its own.
inline constexpr std::u16string_view kMessageBoxCaption = u"Tandrel";

// Shows lpszText ("\n" breaks the line) over the active window and returns when the user has
// closed the box, with IDOK. nType is MB_OK combined with MB_ICONERROR, MB_ICONINFORMATION or
// neither. nIDHelp is accepted for symmetry with the callers' conventions; there is no help.
int AfxMessageBox(std::u16string_view lpszText, unsigned nType = MB_OK, unsigned nIDHelp = 0);

// Message boxes: modal, one OK button, the icon of the type, and as caption the application's
// name (QCoreApplication::applicationName), as the framework shows it when the program sets no
// title of its own.
#pragma once

#include <string_view>

inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_ICONERROR = 0x0010;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;

// Shows lpszText ("\n" breaks the line) over the active window and returns when the user has
// closed the box, with IDOK. nType is MB_OK combined with MB_ICONERROR, MB_ICONINFORMATION or
// neither. nIDHelp is accepted for symmetry with the callers' conventions; there is no help.
int AfxMessageBox(std::u16string_view lpszText, unsigned nType = MB_OK, unsigned nIDHelp = 0);

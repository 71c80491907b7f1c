// Message boxes: modal, an OK button (or はい and いいえ for a question), the icon of the type,
// and as caption the application's name (QCoreApplication::applicationName), as the framework
// shows it when the program sets no title of its own. A detail, when there is one, waits behind
// the box's 「詳細を表示」 button, so the message itself reads as it always did.
#pragma once

#include <string_view>

inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_ICONERROR = 0x0010;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
// The detail is shown under the message rather than behind 「詳細を表示」: for a few words worth
// reading every time, such as what a command did.
inline constexpr unsigned MB_DETAILSHOWN = 0x10000;

// Shows lpszText ("\n" breaks the line) over the active window and returns when the user has
// closed the box: IDOK, or for MB_YESNO the IDYES or IDNO pressed (closing the box any other
// way answers IDNO). nType is MB_OK or MB_YESNO combined with MB_ICONERROR, MB_ICONQUESTION,
// MB_ICONINFORMATION or none. nIDHelp is accepted for symmetry with the callers' conventions;
// there is no help. detail, when not empty, is the box's detailed text, or with
// MB_DETAILSHOWN its informative text.
int AfxMessageBox(std::u16string_view lpszText, unsigned nType = MB_OK, unsigned nIDHelp = 0,
                  std::u16string_view detail = {});

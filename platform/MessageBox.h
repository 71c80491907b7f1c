// Message boxes: modal, an OK button (or はい and いいえ for a question), the icon of the type,
// and as caption the application's name (QCoreApplication::applicationName), as the framework
// shows it when the program sets no title of its own. The message itself reads as it always did:
// a few words worth reading every time (what a command did, why it failed) go under it, and
// the rest, when there is more, waits behind the box's 「詳細を表示」 button.
#pragma once

#include <string_view>

inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_ICONERROR = 0x0010;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;

// Shows lpszText ("\n" breaks the line) over the active window and returns when the user has
// closed the box: IDOK, or for MB_YESNO the IDYES or IDNO pressed (closing the box any other
// way answers IDNO). nType is MB_OK or MB_YESNO combined with MB_ICONERROR, MB_ICONQUESTION,
// MB_ICONINFORMATION or none. nIDHelp is accepted for symmetry with the callers' conventions;
// there is no help. detail, when not empty, is the box's detailed text; shown, when not empty,
// the informative text under the message, a few short lines that each stay whole (the box
// widens to the longest), so that no number is parted from its unit, nor a word split.
int AfxMessageBox(std::u16string_view lpszText, unsigned nType = MB_OK, unsigned nIDHelp = 0,
                  std::u16string_view detail = {}, std::u16string_view shown = {});

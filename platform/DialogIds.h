// The control ids the platform itself gives a meaning: a template's OK and Cancel buttons end
// the dialog with their id, and its labels share one id that names no control. A question's
// message box answers with the id of the button pressed.
#pragma once

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

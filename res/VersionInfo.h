// The program's version block: the names and the version under which the desktop, the package
// and the About box know the program.
#pragma once

#include "res/BuildFacts.h"

// The CMake project's version is the one place it is written down.
inline constexpr char kProductVersion[] = TANDREL_VERSION;
// The Latin name; also what the desktop matches windows to launchers by (Qt derives the X11
// window class from it).
inline constexpr char kProductName[] = "Tandrel";
// The executable, the desktop entry and the icon all carry this name.
inline constexpr char kDesktopName[] = "tandrel";
inline constexpr char kFileDescription[] = "タンドレル Ver" TANDREL_VERSION_MAJOR;

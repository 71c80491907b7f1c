// Dialog units: the font-relative measure in which templates place windows and controls. A
// horizontal unit is a quarter of the font's average character width and a vertical unit an
// eighth of its height, both taken exactly as Windows takes them, so that a layout written for
// Windows keeps its proportions and its pixel arithmetic here.
#pragma once

#include <QFont>
#include <QRect>
#include <string_view>

// The dialog font's average character width (cx) and height (cy) in pixels.
struct DialogBaseUnits {
    int cx;
    int cy;
};

// nNumber * nNumerator / nDenominator, rounded to the nearest integer with halves away from
// zero, computed without intermediate overflow; -1 for a zero denominator, as Windows' MulDiv.
int MulDiv(int nNumber, int nNumerator, int nDenominator);

// Base units of a font: cx from the width of "A".."Z" and "a".."z" together, halved and rounded
// the way Windows does ((width / 26 + 1) / 2), cy the font's height (ascent plus descent).
DialogBaseUnits GetDialogBaseUnits(const QFont& font);

// A rectangle in dialog units converted to pixels: x and width by cx / 4, y and height by cy / 8,
// each rounded on its own as Windows places dialog controls.
QRect MapDialogRect(const QRect& rcDialogUnits, DialogBaseUnits units);

// The font a template names, at its point size. A family that is not installed is replaced by
// the installed Japanese UI font closest to the one Windows templates name ("IPAPGothic"), so
// that the window's proportions still follow from the template rather than from whatever font
// the platform falls back to.
QFont DialogFont(std::string_view face, int pointSize);

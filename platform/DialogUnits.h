// Dialog units: the font-relative measure in which templates place windows and controls. A
// horizontal unit is a quarter of the font's average character width and a vertical unit an
// eighth of its height, both taken exactly as Windows takes them, so that a layout written for
// Windows keeps its proportions and its pixel arithmetic here.
#pragma once

#include <QFont>
#include <QRect>
#include <functional>
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
// the platform falls back to. The substitute is sized by its line rather than its em: Windows'
// Japanese UI fonts have no leading, so their line at a point size is as high as the em (9
// points: 12 pixels at 96 DPI), and the substitute is taken at the largest pixel size whose
// line is no higher. The texts then need the room the template gives them ("ファイル選択"
// fills its 34 units), where the substitute at the same em would run a few pixels wider.
QFont DialogFont(std::string_view face, int pointSize);

// font made smaller, a pixel at a time, until a window of cxUnits by cyUnits dialog units in it,
// plus extra pixels that do not scale with it, fits into available, and the smaller font also
// passes readable (when given); never larger than font. extraFor gives the extra pixels (the
// menu bar, the frame) for a font.
QFont FitDialogFont(const QFont& font, QSize dialogUnits, QSize available,
                    const std::function<QSize(const QFont&)>& extraFor,
                    const std::function<bool(const QFont&)>& readable = nullptr);

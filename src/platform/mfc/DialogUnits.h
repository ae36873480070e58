// Dialog units to pixels. Dialog layouts are given in units of the dialog font: a horizontal
// unit is a quarter of the font's average character width, a vertical unit an eighth of its
// height, so a layout keeps its proportions whatever font the system matches.
#pragma once

#include "platform/win/WinTypes.h"

class QFont;

// a * b / c through 64 bits, rounded half away from zero; -1 when c is 0 or the result
// does not fit, as the platform's MulDiv.
int MulDiv(int number, int numerator, int denominator);

class CDialogUnits {
public:
    CDialogUnits(int baseUnitX, int baseUnitY);

    // The base units of a dialog font: the average width of the 52 Latin letters, rounded,
    // and the font's height. A face Qt does not know falls back to what Qt matches.
    static CDialogUnits FromFont(const QFont& font);
    static CDialogUnits FromFontName(const char* faceName, int pointSize);

    int ToPixelsX(int dlu) const { return MulDiv(dlu, m_nBaseUnitX, 4); }
    int ToPixelsY(int dlu) const { return MulDiv(dlu, m_nBaseUnitY, 8); }
    // Converts all four edges in place, as the framework's MapDialogRect.
    void MapDialogRect(RECT* rect) const;

    int m_nBaseUnitX;
    int m_nBaseUnitY;
};

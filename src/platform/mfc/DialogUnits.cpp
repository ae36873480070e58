#include "platform/mfc/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <cstdint>
#include <limits>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    const int64_t product = int64_t{number} * numerator;
    const int64_t magnitude = product < 0 ? -product : product;
    const int64_t divisor = denominator < 0 ? -int64_t{denominator} : int64_t{denominator};
    int64_t quotient = (magnitude + divisor / 2) / divisor;
    if ((product < 0) != (denominator < 0)) {
        quotient = -quotient;
    }
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) {
        return -1;
    }
    return static_cast<int>(quotient);
}

CDialogUnits::CDialogUnits(int baseUnitX, int baseUnitY)
    : m_nBaseUnitX(baseUnitX), m_nBaseUnitY(baseUnitY) {}

CDialogUnits CDialogUnits::FromFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters_px = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The platform's own rounding of the 52-letter average.
    return CDialogUnits((letters_px / 26 + 1) / 2, metrics.height());
}

CDialogUnits CDialogUnits::FromFontName(const char* faceName, int pointSize) {
    return FromFont(QFont(QString::fromLatin1(faceName), pointSize));
}

void CDialogUnits::MapDialogRect(RECT* rect) const {
    rect->left = ToPixelsX(rect->left);
    rect->right = ToPixelsX(rect->right);
    rect->top = ToPixelsY(rect->top);
    rect->bottom = ToPixelsY(rect->bottom);
}

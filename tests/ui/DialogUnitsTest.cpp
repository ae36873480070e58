#include "ui/DialogUnits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <limits>

namespace {

QApplication* EnsureApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return app;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);  // kept for the whole run
}

TEST(MulDivTest, RoundsToTheNearestHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(368, 7, 4), 644);
    EXPECT_EQ(MulDiv(5, 1, 2), 3);  // 2.5
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(MulDiv(7, 1, 4), 2);  // 1.75
    EXPECT_EQ(MulDiv(5, 1, 4), 1);  // 1.25
    EXPECT_EQ(MulDiv(-7, 1, 4), -2);
}

TEST(MulDivTest, WorksPastThirtyTwoBitsAndReportsWhatDoesNotFit) {
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(MulDiv(big, big, big), big);  // the product alone would overflow
    EXPECT_EQ(MulDiv(big, 2, 1), -1);
    EXPECT_EQ(MulDiv(10, 10, 0), -1);
}

TEST(DialogUnitsTest, ConvertsQuarterWidthsAndEighthHeights) {
    const CDialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsX(368), 552);
    EXPECT_EQ(units.ToPixelsY(271), 440);  // 440.375
    EXPECT_EQ(units.ToPixelsX(1), 2);      // 1.5 rounds up
    RECT rect{137, 16, 137 + 50, 16 + 14};
    units.MapDialogRect(&rect);
    EXPECT_EQ(rect.left, 206);  // 205.5
    EXPECT_EQ(rect.top, 26);
    EXPECT_EQ(rect.right, 281);  // 280.5
    EXPECT_EQ(rect.bottom, 49);  // 48.75
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheFontsLetterWidthAndHeight) {
    EnsureApplication();
    const QFont font(QStringLiteral("System"), 10);
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const CDialogUnits units = CDialogUnits::FromFontName("System", 10);
    EXPECT_EQ(units.m_nBaseUnitX, (letters / 26 + 1) / 2);
    EXPECT_EQ(units.m_nBaseUnitY, metrics.height());
    EXPECT_GT(units.m_nBaseUnitX, 2);
    EXPECT_GT(units.m_nBaseUnitY, 8);
    // A larger font gives larger units.
    const CDialogUnits larger = CDialogUnits::FromFontName("System", 20);
    EXPECT_GT(larger.m_nBaseUnitX, units.m_nBaseUnitX);
    EXPECT_GT(larger.m_nBaseUnitY, units.m_nBaseUnitY);
}

}  // namespace

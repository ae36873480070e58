// Test main for binaries with windows: one QApplication for the whole run. Offscreen unless
// the environment names another platform, so test discovery works without a display too.
// Diagnostics go through Qt's logger, as in the application, so QT_LOGGING_RULES applies.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/qtlog/QtLogSink.h"
#include "support/LeakCheck.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CQtLogSink logToQt;
    QApplication app(argc, argv);
    LeakCheckedTest::s_beforeCount = [] { QCoreApplication::processEvents(); };
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

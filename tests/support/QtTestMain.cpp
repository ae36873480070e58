// Test main for binaries with windows: one QApplication for the whole run. Diagnostics go
// through Qt's logger, as in the application, so QT_LOGGING_RULES applies.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/qtlog/QtLogSink.h"
#include "support/LeakCheck.h"

int main(int argc, char** argv) {
    // The one place the tests choose their platform, so that ctest under any preset, its test
    // discovery and a binary run by hand all run offscreen, with or without a display, unless
    // the environment names another platform (QT_QPA_PLATFORM=xcb to watch a test).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CQtLogSink logToQt;
    QApplication app(argc, argv);
    LeakCheckedTest::s_beforeCount = [] { QCoreApplication::processEvents(); };
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

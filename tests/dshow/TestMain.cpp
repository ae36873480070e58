// The renderer and the notify window need a QApplication on the test thread.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/dshow/Interfaces.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    RegisterDShowClasses();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

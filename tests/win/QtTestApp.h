// One QApplication for every Qt test of a binary, made on first use (offscreen under CTest).
#pragma once

#include <QApplication>

inline QApplication& EnsureQtApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "nitidor-tests";
    static char* argv[] = {name, nullptr};
    return *new QApplication(argc, argv);  // kept for the whole run
}

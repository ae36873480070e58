// Entry point: the platform's classes and the simulated camera are registered, then the
// application object runs the way the dialog framework runs it.
#include <QApplication>

#include "app/FocusApp.h"
#include "platform/dshow/Interfaces.h"
#include "sim/SimCameraRegistration.h"

// The one application object, made before main as the framework expects.
CFocusApp theApp;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The modal dialog is the whole run; closing a snapshot view or the preview must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    RegisterDShowClasses();
    // The simulated camera is listed under the name the utility looks for.
    RegisterSimulatedCamera();
    return theApp.Run();
}

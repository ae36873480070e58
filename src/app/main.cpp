// Entry point: the platform's classes and the simulated camera are registered, then the
// application object runs the way the dialog framework runs it.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "app/FocusApp.h"
#include "platform/dshow/Interfaces.h"
#include "platform/qtlog/QtLogSink.h"
#include "platform/renderer/VideoRenderer.h"
#include "sim/SimCameraRegistration.h"

// The one application object, made before main as the framework expects.
CFocusApp theApp;

namespace {
int g_signalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    (void)!write(g_signalPipe[1], &byte, 1);
}

// Ctrl+C or a terminate request closes the main dialog as "Exit" would, so the camera is
// released and the settings are saved; the handler itself only wakes the event loop.
void CloseOnTerminateSignals(QApplication& application) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        (void)!read(g_signalPipe[0], &byte, 1);
        QWidget* dialog = theApp.m_pMainWnd;
        if (!dialog) {
            QCoreApplication::quit();
            return;
        }
        // A box open over the dialog (About, a message) runs a loop of its own inside the
        // dialog's: close it first, or the dialog's loop cannot end.
        for (QWidget* modal = QApplication::activeModalWidget(); modal && modal != dialog;
             modal = QApplication::activeModalWidget()) {
            modal->close();
            if (modal == QApplication::activeModalWidget())
                break;  // it refused; the dialog still closes when it does
        }
        dialog->close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
}  // namespace

int main(int argc, char* argv[]) {
    // From here on every layer's diagnostics go through Qt's logger and its QT_LOGGING_RULES.
    CQtLogSink logToQt;
    QApplication application(argc, argv);
    // The modal dialog is the whole run; closing a snapshot view or the preview must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    CloseOnTerminateSignals(application);
    RegisterDShowClasses();
    RegisterVideoRenderer();
    // The simulated camera is listed under the name the utility looks for.
    RegisterSimulatedCamera();
    return theApp.Run();
}

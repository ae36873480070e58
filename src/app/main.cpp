// Entry point: the platform's classes and the simulated camera are registered, then the
// application object runs the way the dialog framework runs it: the main dialog, or with
// arguments a run from the command line that shows no window.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <QApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QWidget>
#include <iostream>

#include "app/CommandLine.h"
#include "app/DisplayProbe.h"
#include "app/FocusApp.h"
#include "app/Registration.h"
#include "capture/CaptureDevice.h"
#include "platform/qtlog/QtLogSink.h"
#include "platform/win/ModuleName.h"
#include "product/Product.h"

// The one application object, made before main as the framework expects.
CFocusApp theApp;

namespace {
int g_signalPipe[2] = {-1, -1};

void OnTerminate(int signo) {
    const char byte = static_cast<char>(signo);
    (void)!write(g_signalPipe[1], &byte, 1);
    // A second request, while the first is still being honoured, ends the process at once.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signo, &action, nullptr);
}

// Ctrl+C or a terminate request closes the main dialog as "Exit" would, so the camera is
// released and the settings are saved; the handler itself only wakes the event loop, with the
// signal's number, which the command line's exit code carries.
void CloseOnTerminateSignals(QApplication& application) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        (void)!read(g_signalPipe[0], &byte, 1);
        QWidget* dialog = theApp.m_pMainWnd;
        if (!dialog) {
            if (theApp.m_pCommandLine)
                theApp.m_pCommandLine->Interrupt(byte);
            else
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

// A standard descriptor left closed by whoever started the program would go to the next file
// opened (Qt's event dispatcher opens an eventfd early), and the figures with it. Each is put
// on /dev/null the wrong way round, so that using it fails: a closed standard output is then
// a write error, as a full one is.
void OpenClosedStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lower ones are open by now, so this is the lowest free descriptor open() takes.
        if (open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) != fd)
            return;
    }
}

// The window system's start-up remarks (a missing runtime folder, say) are not the command
// line's business: its standard error carries only what ended a run.
void QuietStartUp(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << std::endl;
}

void NeedsADisplay(const std::string& why) {
    std::cerr << GetModuleBaseName() << ": the main window needs a display (" << OneLine(why)
              << "); " << GetModuleBaseName() << " --help lists the options that need none"
              << std::endl;
}

// A display that answered the probe may still turn Qt away (credentials it will not take):
// Qt's fatal message and abort become the same one line and exit code.
QtMessageHandler g_startUpHandler = nullptr;
void DisplayRefused(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (g_startUpHandler)
            g_startUpHandler(type, context, message);
        return;
    }
    NeedsADisplay("the window system refused it");
    std::_Exit(kExitFailed);
}
// --list-cameras: every video input device, one name a line, in the order "New" looks.
int ListCameras() {
    std::string error;
    if (!RegisterPlatformClasses(false, error)) {
        std::cerr << GetModuleBaseName() << ": " << error << std::endl;
        return kExitUsage;
    }
    for (const std::string& name : ListCaptureDeviceNames())
        std::cout << OneLine(name) << '\n';
    std::cout << std::flush;
    return std::cout ? kExitDone : kExitFailed;
}
}  // namespace

int main(int argc, char* argv[]) {
    OpenClosedStandardDescriptors();
    // A file-size limit is one more full disk: the write fails and the failure is told, instead
    // of the signal ending the program with a truncated file left behind.
    signal(SIGXFSZ, SIG_IGN);
    // From here on every layer's diagnostics go through Qt's logger and its QT_LOGGING_RULES.
    CQtLogSink logToQt;
    const CommandLine commandLine = ParseCommandLine(CommandLineArguments(argc, argv));
    const bool bDialog = commandLine.action == CommandLine::Action::Dialog;
    if (commandLine.action == CommandLine::Action::ListCameras)
        return ListCameras();
    if (!bDialog && commandLine.action != CommandLine::Action::Run)
        return AnswerCommandLine(commandLine, std::cout, std::cerr);
    // The command line shows no window, so it needs no display. A reader that goes away ends
    // the run through a failed write, so the camera is still stopped and released.
    if (!bDialog && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!bDialog)
        signal(SIGPIPE, SIG_IGN);
    std::string why;
    if (bDialog && !DisplayAnswers(why)) {
        NeedsADisplay(why);
        return kExitFailed;
    }

    const QtMessageHandler handler =
        qInstallMessageHandler(bDialog ? DisplayRefused : QuietStartUp);
    g_startUpHandler = handler;
    // Whatever name the program was started under, the window system files its windows under
    // the installed desktop entry, so a dock groups them with its launcher: X11 by WM_CLASS
    // "nitidor" (the entry's StartupWMClass), Wayland by the entry's id.
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication application(argc, argv);
    qInstallMessageHandler(handler);
    if (!bDialog) {
        // The command line's standard error is the one line that ends a run; the diagnostics
        // speak only when QT_LOGGING_RULES asks them to.
        QLoggingCategory::setFilterRules(
            QStringLiteral("nitidor.*.info=false\n"
                           "nitidor.*.warning=false"));
    }
    // The modal dialog is the whole run; closing a snapshot view or the preview must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    CloseOnTerminateSignals(application);
    // The capture classes, a renderer, and the simulated camera under the name the utility
    // looks for.
    std::string error;
    if (!RegisterPlatformClasses(bDialog, error)) {
        std::cerr << GetModuleBaseName() << ": " << error << std::endl;
        return kExitUsage;
    }
    if (!bDialog)
        theApp.m_pCommandLine =
            std::make_unique<CCommandLineRun>(commandLine.options, std::cout, std::cerr);
    return theApp.Run();
}

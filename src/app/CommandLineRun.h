// CCommandLineRun: one session on the camera from the command line, for test stations. It
// runs the dialog's own sequences through the camera session: connect as "New" does, start the
// preview with the firmware told as "Start" does, print each focus figure the camera reports,
// take a still as "Snapshot" does, stop as "Stop" does and release the camera; then it writes
// the still. Every failure ends the run with one line on the error stream and its exit code.
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/CommandLine.h"
#include "session/CameraSession.h"

class QEventLoop;
class QSaveFile;

// No focus figure for this long (twenty of the camera's reports) means it stopped answering.
inline constexpr int64_t kFocusSilence_ms = 2000;
// The focus read-out's period, as the main dialog's.
inline constexpr int kFocusReadPeriod_ms = 100;

class CCommandLineRun : private ISessionFront {
public:
    CCommandLineRun(CommandLineOptions options, std::ostream& out, std::ostream& err);
    ~CCommandLineRun() override;
    CCommandLineRun(const CCommandLineRun&) = delete;
    CCommandLineRun& operator=(const CCommandLineRun&) = delete;

    // The whole run; returns the exit code.
    int Run(CCameraSession& session);
    // Prints "<program>: <what>" as the one line of a failure and returns `code`.
    int Fail(int code, const std::string& what);
    // The failure of a file the run writes: "cannot write <path>: <reason>", exit code 6.
    int CannotWrite(const QString& path, const QString& reason);
    // Ends the run at the next point it can (a terminate request); user-interface thread.
    void Interrupt();

private:
    int OpenCsv();
    int Connect(CCameraSession& session);
    int WatchFocus(CCameraSession& session);
    // One tick of the focus run: 0 to go on, else the exit code that ends it.
    int FocusTick(CCameraSession& session, int64_t& lastFigure_ms);
    int TakeStill(CCameraSession& session);
    int WriteOutputs(int code);
    bool Interrupted();
    // False when the line could not be written (the CSV's disk full, standard output closed).
    bool PrintFigure(CCameraSession& session, int64_t elapsed_ms, LONG value);
    bool PrintLine(const std::string& line);
    // The still's own line of region values; false when it could not be written.
    bool PrintStillRegions();

    // ISessionFront: the run says nothing while it goes; it keeps the still.
    void ShowStatus(const std::string&) override {}
    void ShowMessage(SessionMessage message) override;
    void StopFocusReadout() override {}
    void PrepareStillView() override {}
    void ShowStill(CStill still) override;

    const CommandLineOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<QSaveFile> m_pCsv;
    QString m_csvFailure;  // why a line could not be written to it
    bool m_bFocusStarted = false;
    std::optional<CStill> m_still;
    bool m_bRestartFailed = false;
    bool m_bInterrupted = false;
    QEventLoop* m_pLoop = nullptr;  // the focus run's, while it runs
    QElapsedTimer m_sinceStart;     // from the press of "Start"
};

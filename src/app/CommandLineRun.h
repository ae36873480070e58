// CCommandLineRun: one session on the camera from the command line, for test stations. It
// runs the dialog's own sequences through the camera session: connect as "New" does, start the
// preview with the firmware told as "Start" does, print each focus figure the camera reports,
// take a still as "Snapshot" does, stop as "Stop" does and release the camera; then it writes
// the still and judges the limits it was given. Every failure ends the run with one line on
// the error stream and its exit code; a focus run that went to its end adds its summary line.
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/CommandLineVerdict.h"
#include "session/CameraSession.h"

class QEventLoop;
class QJsonObject;
class QSaveFile;

// No focus figure for this long (twenty of the camera's reports) means it stopped answering.
inline constexpr int64_t kFocusSilence_ms = 2000;

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
    // Ends the run at the next point it can, with 128 + `signalNumber` (SIGINT or SIGTERM);
    // user-interface thread.
    void Interrupt(int signalNumber);

private:
    // Every file the run will write, checked (the CSV opened) before the camera is touched.
    int CheckOutputs();
    int Connect(CCameraSession& session);
    // Preview, focus run and still, between the connect and the release.
    int Measure(CCameraSession& session);
    int WatchFocus(CCameraSession& session);
    // One tick of the focus run: 0 to go on, else the exit code that ends it.
    int FocusTick(CCameraSession& session, int64_t& lastFigure_ms);
    // The regions' newest reading, kept when it is new; null when none was measured yet.
    const RegionReadout* TakeRegions(CCameraSession& session, int64_t now_ms);
    // The summary line of a focus run that went to its end.
    void EndFocus();
    int TakeStill(CCameraSession& session);
    int WriteOutputs(int code);
    // The limits' verdict and, with --json, the summary object: the run's last word.
    int Conclude(int code);
    bool Interrupted();
    int EndInterrupted();

    // Each returns 0, or the exit code of a line that could not be written (told).
    int PrintFigure(int64_t elapsed_ms, LONG value, const RegionReadout* regions);
    int PrintStillRegions();
    int WriteCsv(const std::string& line);
    int WriteOut(const std::string& text);
    int WriteJson(const QJsonObject& object);

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
    QString m_csvFailure;       // why a line could not be written to it
    bool m_bCsvHeader = false;  // the header line went out
    bool m_bFocusStarted = false;
    bool m_bFocusDone = false;  // the focus run went to its end
    int64_t m_focusEnd_ms = 0;
    std::vector<FigureSample> m_figures;
    std::vector<RegionReadout> m_regions;  // each reading once, when it was first seen
    uint64_t m_regionSequence = 0;         // the newest reading's
    std::optional<CStill> m_still;
    std::optional<RegionReadout> m_stillRegions;
    QString m_stillWritten, m_streamWritten;  // the files written, by name
    bool m_bRestartFailed = false;
    int m_interruptCode = 0;        // 128 + the signal that asked the run to end; 0 for none
    std::string m_failure;          // the first failure's line
    QEventLoop* m_pLoop = nullptr;  // the focus run's, while it runs
    QElapsedTimer m_sinceStart;     // from the press of "Start"
};

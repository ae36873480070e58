// The program's command line. Without arguments the main dialog starts; with them the program
// runs one session from the command line for a test station (CCommandLineRun) and shows no
// window. Exit codes tell what ended the run.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "session/StillKind.h"
#include "ui/StillFile.h"

enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,         // the program itself could not start (COM, memory)
    kExitUsage = 2,          // the command line (or NITIDOR_SIM) cannot be understood
    kExitNoCamera = 3,       // no camera of the name asked for ("Standard_Camera")
    kExitNotReady = 4,       // no firmware runs, or the camera never became ready
    kExitCameraLost = 5,     // the camera stopped answering, or a wait on it ran out
    kExitStillFailed = 6,    // the still could not be taken, or a file could not be written
    kExitAnotherCopy = 7,    // another copy runs (the single-instance rule)
    kExitLimitMissed = 8,    // the run measured fine, but missed a limit it was given
    kExitInterrupted = 130,  // Ctrl+C (SIGINT), as shells count it: 128 + the signal
    kExitTerminated = 143    // a terminate request (SIGTERM)
};

// The longest focus run the command line takes: a day.
inline constexpr double kMaxFocusSeconds = 24 * 60 * 60;

struct CommandLineOptions {
    QString cameraName;    // empty: "Standard_Camera"
    int64_t focus_ms = 0;  // 0: no focus run
    QString csvPath;       // empty: figures go to standard output
    QString snapshotPath;  // empty: no still
    StillFormat snapshotFormat = StillFormat::Png;
    const CStillKind* pStillKind = &DefaultStillKind();  // the still's kind (--raw)
    QString streamPath;     // empty: the camera's stream or samples are not written
    bool bRegions = false;  // the five regions' sharpness beside each figure and for the still
    bool bJson = false;     // standard output carries JSON objects instead of CSV lines
    // Limits on the last second of the focus run; a run that misses one ends with 8.
    std::optional<double> minFigure;        // the median firmware figure, at least
    std::optional<double> minMtf50;         // every region's median MTF50, at least
    std::optional<double> maxTilt_percent;  // |x| and |y| of the corners' tilt, at most

    bool HasLimits() const { return minFigure || minMtf50 || maxTilt_percent; }
};

struct CommandLine {
    enum class Action { Dialog, Help, Version, ListCameras, Run, BadUsage };
    Action action = Action::Dialog;
    CommandLineOptions options;
    std::string text;  // the help or version text, or what is wrong with the command line
};

// `arguments` as the program got them, its own name first.
CommandLine ParseCommandLine(const QStringList& arguments);
QStringList CommandLineArguments(int argc, char* argv[]);

// `text` with each control character written as an escape (\n, \t, \x1b), so that a file
// name or an argument echoed in a message keeps it to one line.
std::string OneLine(const std::string& text);

// Prints the help or version text to `out`, or the usage error to `err` in one line; returns
// the exit code. Only for Help, Version and BadUsage.
int AnswerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

#include "app/CommandLineRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "app/CommandLineJson.h"
#include "device/MailboxTransfer.h"
#include "platform/win/ModuleName.h"
#include "product/Product.h"
#include "session/FocusFigure.h"
#include "ui/CameraChoice.h"
#include "ui/SaveFile.h"

namespace {

using StillResult = CCameraSession::StillResult;
using FocusPoll = CCameraSession::FocusPoll;

std::string Seconds(int64_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// The five region columns as a record has them, each led by its comma (all empty: none yet).
std::string RegionColumns(const RegionReadout* reading) {
    std::string columns;
    for (int i = 0; i < kSfrRegionCount; ++i) {
        columns += ',';
        if (reading && reading->mtf50[i]) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4f", *reading->mtf50[i]);
            columns += text;
        }
    }
    return columns;
}

}  // namespace

CCommandLineRun::CCommandLineRun(CommandLineOptions options, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)), m_out(out), m_err(err) {}

CCommandLineRun::~CCommandLineRun() = default;

int CCommandLineRun::Fail(int code, const std::string& what) {
    if (m_failure.empty())
        m_failure = OneLine(what);
    m_err << GetModuleBaseName() << ": " << OneLine(what) << std::endl;
    return code;
}

int CCommandLineRun::CannotWrite(const QString& path, const QString& reason) {
    return Fail(kExitStillFailed, "cannot write " + path.toStdString() + ": " +
                                      (reason.isEmpty() ? "unknown error" : reason.toStdString()));
}

void CCommandLineRun::Interrupt(int signalNumber) {
    if (m_interruptCode == 0)
        m_interruptCode = 128 + signalNumber;
    if (m_pLoop)
        m_pLoop->quit();
}

// A terminate request arrives through the event loop; between the session's steps, which hold
// the thread, the run looks whether one came.
bool CCommandLineRun::Interrupted() {
    QCoreApplication::processEvents();
    return m_interruptCode != 0;
}

int CCommandLineRun::EndInterrupted() {
    return Fail(m_interruptCode, m_interruptCode == kExitTerminated ? "terminated" : "interrupted");
}

int CCommandLineRun::Run(CCameraSession& session) {
    session.SetFront(this);
    // The camera the main window chose, unless the command line names one.
    session.SetCameraName(m_options.cameraName.isEmpty() ? LoadCameraName()
                                                         : m_options.cameraName.toStdString());
    // A region column a second old would sit beside ten fresh figures.
    if (m_options.bRegions)
        session.SetPreviewRate(10);
    int code = CheckOutputs();
    if (code == kExitDone)
        code = Connect(session);
    if (code == kExitDone && Interrupted())
        code = EndInterrupted();
    if (code == kExitDone)
        code = Measure(session);
    session.DisconnectDevice();
    session.SetFront(nullptr);
    return Conclude(WriteOutputs(code));
}

int CCommandLineRun::Measure(CCameraSession& session) {
    m_sinceStart.start();
    int code = session.StartPreview(TRUE)
                   ? kExitDone
                   : Fail(kExitCameraLost, "the camera's preview could not be started");
    m_bFocusStarted = code == kExitDone;
    if (code == kExitDone && m_options.focus_ms > 0)
        code = WatchFocus(session);
    if (code == kExitDone && Interrupted())
        code = EndInterrupted();
    if (code == kExitDone && !m_options.snapshotPath.isEmpty()) {
        code = TakeStill(session);
        if (code == kExitDone)
            code = PrintStillRegions();
        // A still taken is written even if the request to stop came meanwhile.
        if (code == kExitDone && Interrupted())
            code = EndInterrupted();
    }
    // As "Stop": only a running preview is stopped, and then the firmware is told.
    if (session.IsPreviewRunning())
        session.StopPreview(TRUE);
    return code;
}

int CCommandLineRun::CheckOutputs() {
    QString reason;
    if (!m_options.csvPath.isEmpty()) {
        // Opened now, so a file that cannot be written costs no run.
        m_pCsv = std::make_unique<QSaveFile>(m_options.csvPath);
        if (!OpenForWriting(*m_pCsv, reason)) {
            m_pCsv.reset();
            return CannotWrite(m_options.csvPath, reason);
        }
    }
    // The still and the stream are written once the camera is done with; whether their folders
    // take a file is tried now, as is the current one that the still may pass through.
    const char* transient = m_options.pStillKind->Info().transientFile;
    const bool bTransient = !m_options.snapshotPath.isEmpty() && transient;
    for (const QString& path : {m_options.snapshotPath, m_options.streamPath,
                                bTransient ? QString::fromLatin1(transient) : QString()}) {
        if (path.isEmpty())
            continue;
        QSaveFile probe(path);
        if (!OpenForWriting(probe, reason))
            return CannotWrite(path, reason);
        probe.cancelWriting();
    }
    return kExitDone;
}

int CCommandLineRun::Connect(CCameraSession& session) {
    // No window takes the graph's events; the focus run asks for them at each tick.
    switch (session.Connect(nullptr)) {
        case CCameraSession::ConnectResult::Connected:
            // The dialog goes on without a profile; a station learns the camera is gone now.
            if (session.ProfileTimedOut()) {
                return Fail(kExitCameraLost,
                            "the camera stopped answering: nothing came through its mailbox "
                            "within " +
                                Seconds(kMailboxTimeout_ms) + " (the device profile, at connect)");
            }
            return kExitDone;
        case CCameraSession::ConnectResult::CameraNotFound:
            return Fail(kExitNoCamera,
                        "no camera named \"" + OneLine(session.CameraName()) + "\" was found");
        case CCameraSession::ConnectResult::NoFirmware:
            return Fail(kExitNotReady, "no firmware runs in the camera");
        case CCameraSession::ConnectResult::NotReady:
            return Fail(kExitNotReady, "the camera did not become ready within " +
                                           Seconds(session.ReadyTimeout()));
        case CCameraSession::ConnectResult::FormatFailed:
            break;
    }
    return Fail(kExitNotReady, "the camera could not be set up for its preview");
}

int CCommandLineRun::WriteOut(const std::string& text) {
    m_out << text << std::flush;  // a reader at the other end of a pipe sees it at once
    return m_out ? kExitDone : Fail(kExitStillFailed, "cannot write to standard output");
}

int CCommandLineRun::WriteJson(const QJsonObject& object) {
    return WriteOut(JsonLine(object));
}

// CSV goes to the file, or else to standard output unless that carries JSON; the header first.
int CCommandLineRun::WriteCsv(const std::string& line) {
    if (!m_pCsv && m_options.bJson)
        return kExitDone;
    std::string text;
    if (!std::exchange(m_bCsvHeader, true)) {
        text = kFocusRecordHeader;
        if (m_options.bRegions)
            text += "," + RegionColumnsHeader();
        text += "\n";
    }
    text += line;
    if (!m_pCsv)
        return WriteOut(text);
    if (WriteAll(*m_pCsv, text.data(), text.size()))
        return kExitDone;
    m_csvFailure = m_pCsv->errorString();
    return CannotWrite(m_options.csvPath, m_csvFailure);
}

int CCommandLineRun::PrintFigure(int64_t elapsed_ms, LONG value, const RegionReadout* regions) {
    std::string line = FormatFocusRecord(elapsed_ms, value);
    if (m_options.bRegions)
        line += RegionColumns(regions);
    int code = WriteCsv(line + "\n");
    if (code == kExitDone && m_options.bJson)
        code = WriteJson(FigureJson(elapsed_ms, value, m_options.bRegions, regions));
    return code;
}

int CCommandLineRun::PrintStillRegions() {
    if (!m_options.bRegions || !m_still)
        return kExitDone;
    m_stillRegions = MakeRegionSample(
        0, MeasureStillRegions(m_still->image.get(), m_still->width, m_still->height));
    return WriteCsv("still," + RegionColumns(&*m_stillRegions) + "\n");
}

const RegionReadout* CCommandLineRun::TakeRegions(CCameraSession& session, int64_t now_ms) {
    RegionReading reading;
    if (!session.ReadRegions(reading))
        return nullptr;
    if (m_regions.empty() || reading.sequence != m_regionSequence) {
        m_regionSequence = reading.sequence;
        m_regions.push_back(MakeRegionSample(now_ms, reading.sharpness));
    }
    return &m_regions.back();
}

int CCommandLineRun::FocusTick(CCameraSession& session, int64_t& lastFigure_ms) {
    if (session.HandleGraphEvents(TRUE) == CCameraSession::GraphEvent::ErrorAbort)
        return Fail(kExitCameraLost, "the camera stopped answering (its video stream was lost)");
    LONG value = 0;
    const FocusPoll poll = session.PollFocus(value);
    const int64_t now_ms = m_sinceStart.elapsed();
    const RegionReadout* regions = m_options.bRegions ? TakeRegions(session, now_ms) : nullptr;
    if (poll == FocusPoll::Figure) {
        lastFigure_ms = now_ms;
        m_figures.push_back({now_ms, value});
        return PrintFigure(now_ms, value, regions);
    }
    if (now_ms - lastFigure_ms >= kFocusSilence_ms) {
        return Fail(kExitCameraLost,
                    poll == FocusPoll::Failed
                        ? "the camera stopped answering (its status could not be read)"
                        : "the camera reported no focus figure for " + Seconds(kFocusSilence_ms));
    }
    return kExitDone;
}

int CCommandLineRun::WatchFocus(CCameraSession& session) {
    // The header goes out even if no figure follows.
    int code = WriteCsv("");
    QEventLoop loop;
    m_pLoop = &loop;
    int64_t lastFigure_ms = m_sinceStart.elapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        code = FocusTick(session, lastFigure_ms);
        if (code != kExitDone || m_sinceStart.elapsed() >= m_options.focus_ms)
            loop.quit();
    });
    tick.start(static_cast<int>(kFocusReadPeriod_ms));
    // The run ends at the time asked for, not at the next tick after it.
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(static_cast<int>(std::max<int64_t>(0, m_options.focus_ms - m_sinceStart.elapsed())));
    if (code == kExitDone && m_interruptCode == 0)
        loop.exec();
    m_pLoop = nullptr;
    if (code == kExitDone && m_interruptCode != 0)
        return EndInterrupted();
    if (code == kExitDone)
        EndFocus();
    return code;
}

void CCommandLineRun::EndFocus() {
    m_bFocusDone = true;
    m_focusEnd_ms = m_sinceStart.elapsed();
    m_err << GetModuleBaseName() << ": " << FormatFocusSummary(SummarizeFigures(m_figures))
          << std::endl;
}

void CCommandLineRun::ShowMessage(SessionMessage message) {
    if (message == SessionMessage::RestartFailed)
        m_bRestartFailed = true;
}

void CCommandLineRun::ShowStill(CStill still) {
    m_still = std::move(still);
}

int CCommandLineRun::TakeStill(CCameraSession& session) {
    const StillKindInfo& info = m_options.pStillKind->Info();
    const std::string kind = info.name;
    const StillResult result = session.TakeStill(*m_options.pStillKind);
    // A video-only camera's still is one of its frames: no request, no mailbox.
    if (session.IsVideoOnly()) {
        if (result == StillResult::Refused)
            return Fail(kExitStillFailed,
                        "the camera has no " + kind + " stills: it is video only");
        if (result == StillResult::TimedOut)
            return Fail(kExitCameraLost, "the camera sent no frame for the still");
        if (result == StillResult::NotDownloaded)
            return Fail(kExitStillFailed, "the camera's still could not be taken");
    }
    switch (result) {
        case StillResult::Shown:
            if (m_bRestartFailed)
                return Fail(kExitCameraLost, "the preview could not be restarted after the still");
            return kExitDone;
        case StillResult::NoResolution:
            return Fail(kExitStillFailed, "the camera lists no still size to ask for");
        case StillResult::Refused:
            // A camera that is gone refuses everything; one that still answers said no.
            if (!session.CameraAnswers())
                return Fail(kExitCameraLost, "the camera stopped answering (the still request)");
            return Fail(kExitStillFailed, "the camera refused the " + kind + " still request");
        case StillResult::NoMemory:
            return Fail(kExitStillFailed, "there is not enough memory for the still");
        case StillResult::TimedOut:
            return Fail(kExitCameraLost, "the camera's " + kind + " still did not arrive within " +
                                             Seconds(kMailboxTimeout_ms));
        case StillResult::NotDownloaded:
            if (!session.CameraAnswers())
                return Fail(kExitCameraLost, "the camera stopped answering (the still's download)");
            return Fail(kExitStillFailed,
                        "the camera's " + kind + " still could not be downloaded");
        case StillResult::NotWritten:
            return Fail(kExitStillFailed, "the camera's " + kind +
                                              " still could not be written to " +
                                              session.StillFailureReason());
        case StillResult::NotDecoded:
            break;
    }
    return Fail(kExitStillFailed, info.notConvertedMessage);
}

// The figures measured are kept even when the run ended early; the still only once it was
// taken. The first failure's code stands.
int CCommandLineRun::WriteOutputs(int code) {
    auto keep = [&code](int failure) {
        if (code == kExitDone)
            code = failure;
    };
    QString reason;
    if (m_pCsv) {
        // No run, or a line that failed (already told): an earlier file stays as it was.
        if (!m_bFocusStarted || !m_csvFailure.isEmpty())
            m_pCsv->cancelWriting();
        else if (!CommitWritten(*m_pCsv, reason))
            keep(CannotWrite(m_options.csvPath, reason));
        m_pCsv.reset();
    }
    if (!m_still)
        return code;
    const QImage image = StillImage(m_still->image.get(), m_still->width, m_still->height);
    if (SaveStillImage(m_options.snapshotPath, image, m_options.snapshotFormat, reason))
        m_stillWritten = m_options.snapshotPath;
    else
        keep(CannotWrite(m_options.snapshotPath, reason));
    if (!m_options.streamPath.isEmpty()) {
        if (SaveStillSource(m_options.streamPath, m_still->source, m_still->width, m_still->height,
                            reason))
            m_streamWritten = m_options.streamPath;
        else
            keep(CannotWrite(m_options.streamPath, reason));
    }
    m_still.reset();
    return code;
}

int CCommandLineRun::Conclude(int code) {
    RunSummary summary;
    if (m_bFocusStarted && m_options.focus_ms > 0)
        summary.focus = SummarizeFigures(m_figures);
    // Only a focus run that went to its end is judged.
    if (m_bFocusDone) {
        summary.lastSecondFrom_ms = std::max<int64_t>(0, m_focusEnd_ms - kVerdictWindow_ms);
        summary.lastSecond = SummarizeFigures(m_figures, summary.lastSecondFrom_ms);
        if (m_options.bRegions)
            summary.regions = SummarizeRegions(m_regions, summary.lastSecondFrom_ms);
        summary.limits =
            JudgeLimits(m_options, *summary.lastSecond, summary.regions.value_or(RegionStats{}));
        const std::string missed = FormatMissedLimits(summary.limits);
        if (code == kExitDone && !missed.empty())
            code = Fail(kExitLimitMissed, missed);
    }
    if (!m_options.bJson)
        return code;
    summary.exitCode = code;
    summary.failure = m_failure;
    summary.stillPath = m_stillWritten;
    summary.streamPath = m_streamWritten;
    summary.stillRegions = m_stillRegions;
    // The summary is the last word even of a failed run; a second failure is not told.
    m_out << JsonLine(SummaryJson(summary)) << std::flush;
    if (!m_out && code == kExitDone)
        code = Fail(kExitStillFailed, "cannot write to standard output");
    return code;
}

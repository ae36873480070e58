#include "app/CommandLineRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSaveFile>
#include <QTimer>

#include "device/MailboxTransfer.h"
#include "platform/win/ModuleName.h"
#include "product/Product.h"
#include "session/FocusFigure.h"
#include "ui/SaveFile.h"

namespace {

using StillResult = CCameraSession::StillResult;
using FocusPoll = CCameraSession::FocusPoll;

std::string Seconds(int64_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

CCommandLineRun::CCommandLineRun(CommandLineOptions options, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)), m_out(out), m_err(err) {}

CCommandLineRun::~CCommandLineRun() = default;

int CCommandLineRun::Fail(int code, const std::string& what) {
    m_err << GetModuleBaseName() << ": " << OneLine(what) << std::endl;
    return code;
}

int CCommandLineRun::CannotWrite(const QString& path, const QString& reason) {
    return Fail(kExitStillFailed, "cannot write " + path.toStdString() + ": " +
                                      (reason.isEmpty() ? "unknown error" : reason.toStdString()));
}

void CCommandLineRun::Interrupt() {
    m_bInterrupted = true;
    if (m_pLoop)
        m_pLoop->quit();
}

// A terminate request arrives through the event loop; between the session's steps, which hold
// the thread, the run looks whether one came.
bool CCommandLineRun::Interrupted() {
    QCoreApplication::processEvents();
    return m_bInterrupted;
}

int CCommandLineRun::Run(CCameraSession& session) {
    session.SetFront(this);
    // A region column a second old would sit beside ten fresh figures.
    if (m_options.bRegions)
        session.SetPreviewRate(10);
    int code = OpenCsv();
    if (code == kExitDone)
        code = Connect(session);
    if (code == kExitDone && Interrupted())
        code = Fail(kExitInterrupted, "interrupted");
    if (code == kExitDone) {
        m_sinceStart.start();
        if (!session.StartPreview(TRUE))
            code = Fail(kExitCameraLost, "the camera's preview could not be started");
        m_bFocusStarted = code == kExitDone;
        if (code == kExitDone && m_options.focus_ms > 0)
            code = WatchFocus(session);
        if (code == kExitDone && Interrupted())
            code = Fail(kExitInterrupted, "interrupted");
        if (code == kExitDone && !m_options.snapshotPath.isEmpty()) {
            code = TakeStill(session);
            if (code == kExitDone && !PrintStillRegions()) {
                code = m_pCsv ? CannotWrite(m_options.csvPath, m_csvFailure)
                              : Fail(kExitStillFailed, "cannot write to standard output");
            }
            // A still taken is written even if the request to stop came meanwhile.
            if (code == kExitDone && Interrupted())
                code = Fail(kExitInterrupted, "interrupted");
        }
        // As "Stop": only a running preview is stopped, and then the firmware is told.
        if (session.IsPreviewRunning())
            session.StopPreview(TRUE);
    }
    session.DisconnectDevice();
    session.SetFront(nullptr);
    return WriteOutputs(code);
}

int CCommandLineRun::OpenCsv() {
    if (m_options.csvPath.isEmpty())
        return kExitDone;
    // Opened before the camera is touched, so a file that cannot be written costs no run.
    m_pCsv = std::make_unique<QSaveFile>(m_options.csvPath);
    QString reason;
    if (!OpenForWriting(*m_pCsv, reason)) {
        m_pCsv.reset();
        return CannotWrite(m_options.csvPath, reason);
    }
    return kExitDone;
}

int CCommandLineRun::Connect(CCameraSession& session) {
    // No window takes the graph's events; the focus run asks for them at each tick.
    switch (session.Connect(nullptr)) {
        case CCameraSession::ConnectResult::Connected:
            return kExitDone;
        case CCameraSession::ConnectResult::CameraNotFound:
            return Fail(kExitNoCamera,
                        std::string("no camera named \"") + kCameraName + "\" was found");
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

bool CCommandLineRun::PrintFigure(CCameraSession& session, int64_t elapsed_ms, LONG value) {
    std::string line = FormatFocusRecord(elapsed_ms, value);
    if (m_options.bRegions) {
        RegionReading reading;
        line += FormatRegionColumns(session.ReadRegions(reading) ? &reading.sharpness : nullptr);
    }
    return PrintLine(line + "\n");
}

bool CCommandLineRun::PrintStillRegions() {
    if (!m_options.bRegions || !m_still)
        return true;
    const RegionSharpness regions =
        MeasureStillRegions(m_still->image.get(), m_still->width, m_still->height);
    return PrintLine("still," + FormatRegionColumns(&regions) + "\n");
}

bool CCommandLineRun::PrintLine(const std::string& line) {
    if (m_pCsv) {
        if (WriteAll(*m_pCsv, line.data(), line.size()))
            return true;
        m_csvFailure = m_pCsv->errorString();
        return false;
    }
    m_out << line << std::flush;  // a reader at the other end of a pipe sees it at once
    return static_cast<bool>(m_out);
}

int CCommandLineRun::FocusTick(CCameraSession& session, int64_t& lastFigure_ms) {
    if (session.HandleGraphEvents(TRUE) == CCameraSession::GraphEvent::ErrorAbort)
        return Fail(kExitCameraLost, "the camera's video stream failed");
    LONG value = 0;
    const FocusPoll poll = session.PollFocus(value);
    const int64_t now_ms = m_sinceStart.elapsed();
    if (poll == FocusPoll::Figure) {
        if (!PrintFigure(session, now_ms, value)) {
            return m_pCsv ? CannotWrite(m_options.csvPath, m_csvFailure)
                          : Fail(kExitStillFailed, "cannot write to standard output");
        }
        lastFigure_ms = now_ms;
    } else if (now_ms - lastFigure_ms >= kFocusSilence_ms) {
        return Fail(kExitCameraLost,
                    poll == FocusPoll::Failed
                        ? "the camera stopped answering (its status could not be read)"
                        : "the camera reported no focus figure for " + Seconds(kFocusSilence_ms));
    }
    return kExitDone;
}

int CCommandLineRun::WatchFocus(CCameraSession& session) {
    QEventLoop loop;
    m_pLoop = &loop;
    int code = kExitDone;
    int64_t lastFigure_ms = m_sinceStart.elapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        code = FocusTick(session, lastFigure_ms);
        if (code != kExitDone || m_sinceStart.elapsed() >= m_options.focus_ms)
            loop.quit();
    });
    tick.start(kFocusReadPeriod_ms);
    // The run ends at the time asked for, not at the next tick after it.
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(static_cast<int>(std::max<int64_t>(0, m_options.focus_ms - m_sinceStart.elapsed())));
    if (!m_bInterrupted)
        loop.exec();
    m_pLoop = nullptr;
    if (code == kExitDone && m_bInterrupted)
        code = Fail(kExitInterrupted, "interrupted");
    return code;
}

void CCommandLineRun::ShowMessage(SessionMessage message) {
    if (message == SessionMessage::RestartFailed)
        m_bRestartFailed = true;
}

void CCommandLineRun::ShowStill(CStill still) {
    m_still = std::move(still);
}

int CCommandLineRun::TakeStill(CCameraSession& session) {
    const std::string kind = m_options.bRaw ? "raw" : "JPEG";
    switch (session.TakeStill(m_options.bRaw)) {
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
            return Fail(kExitStillFailed, "the camera's JPEG still could not be written to " +
                                              session.StillFailureReason());
        case StillResult::NotDecoded:
            break;
    }
    return Fail(kExitStillFailed, m_options.bRaw ? "the camera's raw still is malformed"
                                                 : "the camera's JPEG still could not be decoded");
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
    if (!SaveStillImage(m_options.snapshotPath, image, m_options.snapshotFormat, reason))
        keep(CannotWrite(m_options.snapshotPath, reason));
    if (!m_options.streamPath.isEmpty() &&
        !SaveStillSource(m_options.streamPath, m_still->source, m_still->width, m_still->height,
                         reason)) {
        keep(CannotWrite(m_options.streamPath, reason));
    }
    m_still.reset();
    return code;
}

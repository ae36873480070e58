// A command-line run in this process on the simulated camera: what only shows from inside. The
// files' contents and the other endings are seen from outside, in tests/cli.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <sstream>

#include "app/FocusApp.h"
#include "fakes/AppTestEnv.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/NullRenderer.h"
#include "platform/mfc/WindowHandle.h"
#include "sim/SimCameraRegistration.h"

namespace {

class CommandLineRunTest : public AppTestEnv {
public:
    void SetUp() override {
        AppTestEnv::SetUp();
        RegisterDShowClasses();
        RegisterNullRenderer();
        config.firmware.startup_ms = 0;
        config.firmware.resolutions = {{640, 480, 0}};  // small stills: the test stays quick
    }
    void TearDown() override {
        if (m_cookie)
            UnregisterVideoInputDevice(m_cookie);
        AppTestEnv::TearDown();
    }
    void UseCamera() {
        camera = std::make_shared<CSimCamera>(config);
        SimVideoConfig video;
        video.bLensPanel = FALSE;
        m_cookie = RegisterSimulatedCamera(camera, video);
    }
    // Runs the options through a fresh application object, as main does.
    int Run(const CommandLineOptions& options, const std::function<void(CFocusApp&)>& before = {}) {
        out.str("");
        err.str("");
        CFocusApp app;
        app.m_pCommandLine = std::make_unique<CCommandLineRun>(options, out, err);
        if (before)
            before(app);
        const int code = app.Run();
        EXPECT_FALSE(app.CaptureDevice());  // everything was released at exit
        return code;
    }
    // The one line of a failure, without the program's name in front; a focus run that went to
    // its end says its summary first.
    std::string Said() const {
        std::string text = err.str();
        if (text.find(": focus: ") < text.find('\n'))
            text.erase(0, text.find('\n') + 1);
        const size_t colon = text.find(": ");
        return colon == std::string::npos ? text : text.substr(colon + 2);
    }
    CSimFirmware::Counters Counters() const { return camera->Firmware().GetCounters(); }
    QString Path(const QString& name) const { return QDir::current().filePath(name); }
    static CommandLineOptions Focus(int64_t ms) {
        CommandLineOptions options;
        options.focus_ms = ms;
        return options;
    }
    // Pulls the cable `ms` into the run.
    std::function<void(CFocusApp&)> UnplugAfter(int ms) {
        return [this, ms](CFocusApp&) {
            QTimer::singleShot(ms, [this] { camera->Firmware().Unplug(); });
        };
    }

    // A run that ended early: one line starting with `says`, no box, no still, and the camera
    // not left streaming.
    void ExpectEnding(const char* says) {
        const std::string said = err.str(), failure = Said();
        EXPECT_EQ(failure.rfind(says, 0), 0u) << said;
        EXPECT_EQ(std::count(failure.begin(), failure.end(), '\n'), 1) << said;
        EXPECT_TRUE(boxes.empty());
        EXPECT_FALSE(QFile::exists(Path("still.png")));
        EXPECT_FALSE(camera->Firmware().IsStreaming());
    }

    SimCameraConfig config;
    std::shared_ptr<CSimCamera> camera;
    std::ostringstream out, err;

    DWORD m_cookie = 0;
};

TEST_F(CommandLineRunTest, FocusFiguresThenARawStillWithItsSamples) {
    UseCamera();
    CommandLineOptions options = Focus(600);
    options.snapshotPath = Path("still.bmp");
    options.snapshotFormat = StillFormat::Bmp;
    options.pStillKind = &RawStill();
    options.streamPath = Path("samples.pgm");
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(Run(options), kExitDone) << err.str();
    const int64_t ran_ms = wall.elapsed();
    // The summary, all that standard error says, is read from outside in tests/cli.
    const std::string said = err.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    // The header, then one line a figure: milliseconds since the start, rising, then the figure.
    QStringList lines = QString::fromStdString(out.str()).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(), "elapsed_ms,figure");
    EXPECT_GE(lines.size(), 1);  // a loaded machine may start the camera's reports late
    EXPECT_LE(lines.size(), 7);
    int64_t previous = -1;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m =
            QRegularExpression("^(\\d+),(-?\\d+|Overflow)$").match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        EXPECT_GT(m.captured(1).toLongLong(), previous);
        EXPECT_LE(m.captured(1).toLongLong(), ran_ms);  // a loaded machine reads late, not ahead
        previous = m.captured(1).toLongLong();
    }
    // As "Start" and "Stop" tell it; the still's own stop and restart tell nothing.
    EXPECT_EQ(Counters().commands, 2u);
    EXPECT_EQ(Counters().lastCommand, 66u);
    EXPECT_FALSE(camera->Firmware().IsStreaming());
    EXPECT_EQ(pauses, (std::vector<DWORD>{kSnapshotPause_ms}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommandLineRunTest, ARunThatEndsEarlyKeepsTheFiguresMeasuredAndNoStill) {
    UseCamera();
    CommandLineOptions options = Focus(20'000);
    options.csvPath = Path("figures.csv");
    options.snapshotPath = Path("still.png");
    // Late enough that a slow start (a sanitizer, a loaded machine) still measures a figure.
    EXPECT_EQ(Run(options, UnplugAfter(2000)), kExitCameraLost);
    auto read = [&] {
        QFile csv(options.csvPath);
        return csv.open(QIODevice::ReadOnly) ? csv.readAll() : QByteArray();
    };
    const QByteArray measured = read();
    EXPECT_GE(measured.count('\n'), 2);
    EXPECT_FALSE(QFile::exists(options.snapshotPath));

    // A run that never started measuring leaves an earlier file alone.
    config.firmware.bFirmwarePresent = FALSE;
    UnregisterVideoInputDevice(std::exchange(m_cookie, 0));
    UseCamera();
    EXPECT_EQ(Run(options), kExitNotReady);
    EXPECT_EQ(read(), measured);
    EXPECT_EQ(QDir::current().entryList({"figures.csv*"}), QStringList{"figures.csv"});
}

TEST_F(CommandLineRunTest, ACameraNeverReadyEndsAtTheBound) {
    config.firmware.startup_ms = 3'600'000;
    UseCamera();
    EXPECT_EQ(Run(Focus(100), [](CFocusApp& app) { app.m_session.SetReadyTimeout(30); }),
              kExitNotReady);
    ExpectEnding("the camera did not become ready within 30 ms");
}

TEST_F(CommandLineRunTest, ACameraUnpluggedBeforeTheStillEndsTheRun) {
    UseCamera();
    CommandLineOptions options = Focus(500);
    options.snapshotPath = Path("still.png");
    EXPECT_EQ(Run(options, UnplugAfter(300)), kExitCameraLost);
    ExpectEnding("the camera stopped answering (the still request)");
}

}  // namespace

// The application object: the single instance and the channel a second start asks through, and
// a whole run from start-up to shutdown on the simulated camera.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLocalSocket>
#include <QTimer>
#include <QWindow>

#include "app/FocusApp.h"
#include "app/InstanceChannel.h"
#include "fakes/AppTestEnv.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/renderer/VideoRenderer.h"
#include "sim/SimCameraRegistration.h"
#include "support/SpinUntil.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"

namespace {

using FocusAppTest = AppTestEnv;

// Another copy's hold on the mutex, across processes and past its death, is the mutex's own
// test; here the first copy is this process.
TEST_F(FocusAppTest, SecondCopyEndsAtOnceAndSilentlyAndRaisesTheFirst) {
    HANDLE held = CreateMutex(nullptr, TRUE, kInstanceMutexName);
    ASSERT_EQ(GetLastError(), 0u);
    // This process listens as the first copy's dialog does: the second asks it to the front.
    int raised = 0;
    CInstanceChannel first;
    ASSERT_TRUE(first.Listen(CInstanceChannel::SocketPath(kInstanceMutexName), [&] { ++raised; }));
    const int depth = CoInitializeDepth();
    CFocusApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(SpinUntil([&] { return raised == 1; }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(app.Profile());
    EXPECT_EQ(CoInitializeDepth(), depth);
    app.ExitInstance();
    EXPECT_EQ(app.m_hMutex, nullptr);
    CloseHandle(held);
}

// The channel itself: a socket file that a copy which died left is replaced, a request that is
// not the one asked is dropped, and nobody listening is a plain failure. The window raised
// coming back from its minimised state is the end-to-end suite's to see.
TEST_F(FocusAppTest, TheInstanceChannelTakesOnlyItsRequest) {
    const QString path = CInstanceChannel::SocketPath(kInstanceMutexName);
    QFile left(path);
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    int raised = 0;
    {
        CInstanceChannel channel;
        ASSERT_TRUE(channel.Listen(path, [&] { ++raised; }));
        QLocalSocket stranger;
        stranger.connectToServer(path);
        ASSERT_TRUE(stranger.waitForConnected(5000));
        stranger.write("hello\n");
        ASSERT_TRUE(stranger.waitForBytesWritten(5000));
        EXPECT_TRUE(SpinUntil([&] { return stranger.state() == QLocalSocket::UnconnectedState; }));
        EXPECT_EQ(raised, 0);
        EXPECT_TRUE(CInstanceChannel::AskToRaise(path, kRaiseRequestWait_ms));
        EXPECT_TRUE(SpinUntil([&] { return raised == 1; }));
    }
    EXPECT_FALSE(QFile::exists(path)) << "the copy that ends takes its socket with it";
    EXPECT_FALSE(CInstanceChannel::AskToRaise(path, kRaiseRequestWait_ms));
}

TEST_F(FocusAppTest, OperatorsRoadFromStartToExit) {
    RegisterDShowClasses();
    RegisterVideoRenderer();
    SimCameraConfig config;
    config.firmware.startup_ms = 0;
    SimVideoConfig video;
    video.bLensPanel = FALSE;
    struct Registered {
        DWORD cookie;
        ~Registered() { UnregisterVideoInputDevice(cookie); }
    } camera{RegisterSimulatedCamera(config, video)};
    const int depth = CoInitializeDepth();

    CFocusApp app;
    std::string figure;
    // The still is on the screen before the pause holds the user-interface thread.
    std::vector<bool> shownAtPause;
    SetSleepHook([&](DWORD ms) {
        pauses.push_back(ms);
        const QWindow* view =
            static_cast<CFocusDlg*>(app.m_pMainWnd)->SnapshotView().windowHandle();
        shownAtPause.push_back(view && view->isExposed());
    });
    QTimer::singleShot(0, [&] {
        auto* dlg = static_cast<CFocusDlg*>(app.m_pMainWnd);
        ASSERT_NE(dlg, nullptr);
        auto click = [dlg](int id) { static_cast<QAbstractButton*>(dlg->GetDlgItem(id))->click(); };
        click(IDC_NEW);
        click(IDC_STARTSTOP);
        auto focusText = [dlg] {
            return static_cast<QLabel*>(dlg->GetDlgItem(IDC_FOCUS))->text().toStdString();
        };
        SpinUntil([&] { return !focusText().empty(); });
        figure = focusText();
        CSnapshotViewDlg& view = dlg->SnapshotView();
        click(IDC_SNAPSHOT);
        // Entry 0 of the simulator's table is its full sensor, and only that size decodes.
        EXPECT_EQ(std::pair(view.m_bmih.biWidth, view.m_bmih.biHeight), std::pair(2592, 1944));
        EXPECT_TRUE(view.isVisible());
        EXPECT_FALSE(QFile::exists("Temp.jpg"));
        view.hide();  // closed by the operator: the next snapshot shows it again
        const BYTE* jpeg = view.m_pImage.get();
        click(IDC_RAWDATA);
        click(IDC_SNAPSHOT);
        EXPECT_TRUE(view.isVisible());
        EXPECT_NE(view.m_pImage.get(), jpeg);
        EXPECT_FALSE(dlg->GetDlgItem(IDC_NEW)->isEnabled());  // still the running preview
        EXPECT_TRUE(app.CaptureDevice()->IsRunning());
        click(IDCANCEL);
    });
    EXPECT_EQ(app.Run(), 0);

    EXPECT_FALSE(figure.empty());
    EXPECT_EQ(pauses, (std::vector<DWORD>{kSnapshotPause_ms, kSnapshotPause_ms}));
    EXPECT_EQ(shownAtPause, (std::vector<bool>{true, true}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(app.CaptureDevice());
    EXPECT_FALSE(app.Profile());
    EXPECT_EQ(app.m_hMutex, nullptr);
    EXPECT_EQ(CoInitializeDepth(), depth);
    // The profile is saved at exit; what it writes and keeps is DeviceProfileTest's.
    EXPECT_NE(m_registry.Read().find("\"Cap10Bpp\"=dword:00000000"), std::string::npos);
}

}  // namespace

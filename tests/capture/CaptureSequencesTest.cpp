#include "capture/CaptureFixture.h"
#include "capture/CaptureSequences.h"

namespace {

const HWND kDialog = reinterpret_cast<HWND>(0x5678);

class CaptureSequencesTest : public CaptureFixture {
protected:
    BOOL SelectAndPreview(BOOL bResume) {
        return SelectFormatAndPreview(*m_device, m_nFormatKey, 640, 480, 1, bResume);
    }
    DWORD m_nFormatKey = 0xDEADu;
    BOOL m_bConnected = FALSE;
};

TEST_F(CaptureSequencesTest, ConnectHandsTheDialogWindowOverOnlyOnSuccess) {
    const HWND before = reinterpret_cast<HWND>(0x99);
    m_device->m_hNotifyWindow = before;
    EXPECT_FALSE(ConnectDevice(*m_device, kDialog));  // no camera yet
    EXPECT_EQ(m_device->m_hNotifyWindow, before);

    AddCamera();
    auto second = std::make_unique<CCaptureDevice>();
    EXPECT_TRUE(ConnectDevice(*second, kDialog));
    EXPECT_EQ(second->m_hNotifyWindow, kDialog);
}

TEST_F(CaptureSequencesTest, StartUpFormatIsTheFirstGroupAt640x480AndOneFramePerSecond) {
    AddCamera();
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    EXPECT_TRUE(SelectAndPreview(FALSE));
    EXPECT_EQ(m_nFormatKey, kYuy2);
    EXPECT_EQ(CapturePin().m_lastVideoInfo.AvgTimePerFrame, 10000000);
    EXPECT_EQ(CapturePin().m_lastVideoInfo.bmiHeader.biWidth, 640);
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetStreamCaps(1)"), 2);  // fill, then select
    EXPECT_FALSE(m_device->m_bPreviewWanted);
    EXPECT_EQ(m_world->CountOf("Builder.RenderStream(preview)"), 0);
}

TEST_F(CaptureSequencesTest, AResumedPreviewIsRenderedAndRun) {
    AddCamera(FALSE);
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    m_world->Script("Camera.Capture.SetFormat", E_FAIL);  // ignored: the pin keeps its format
    EXPECT_TRUE(SelectAndPreview(TRUE));
    EXPECT_TRUE(m_device->m_bPreviewWanted && m_device->m_bRunning);
    EXPECT_EQ(Graph().m_hNotifyWindow, kDialog);
}

TEST_F(CaptureSequencesTest, AnEmptyTableLeavesTheKeyAndStillPreviews) {
    AddCamera();
    CapturePin().m_bCompression = TRUE;
    m_world->Script("Camera.Capture.GetInfo", S_OK);
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    m_world->ClearCalls();

    EXPECT_TRUE(SelectAndPreview(TRUE));
    EXPECT_EQ(m_nFormatKey, 0xDEADu);
    EXPECT_EQ(CapturePin().m_nSetFormatCalls, 0);
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetNumberOfCapabilities"), 0);
    EXPECT_TRUE(m_device->m_bRunning);
}

TEST_F(CaptureSequencesTest, AResumedPreviewThatCannotStartFails) {
    AddCamera();
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    m_world->ScriptOnce("Builder.FindInterface(preview,IVideoWindow)", E_NOINTERFACE);
    EXPECT_FALSE(SelectAndPreview(TRUE));
    EXPECT_EQ(m_world->CountOf("Graph.Run"), 0);

    m_world->ScriptOnce("Graph.Run", E_FAIL);
    EXPECT_FALSE(SelectAndPreview(TRUE));
    EXPECT_TRUE(m_device->m_bPreviewRendered && !m_device->m_bRunning);
    EXPECT_TRUE(m_device->m_bPreviewWanted);
}

TEST_F(CaptureSequencesTest, DisconnectTakesARunningDeviceBackToIdle) {
    AddCamera(FALSE);
    m_bConnected = ConnectDevice(*m_device, kDialog);
    ASSERT_TRUE(m_bConnected);
    ASSERT_TRUE(SelectAndPreview(TRUE));
    m_world->ClearCalls();

    DisconnectDevice(*m_device, m_bConnected);
    EXPECT_FALSE(m_bConnected);
    EXPECT_FALSE(m_device->m_bPreviewWanted || m_device->m_bRunning ||
                 m_device->m_bPreviewRendered || m_device->m_bNoPreviewPin);
    EXPECT_TRUE(HoldsNothing());
    EXPECT_LT(m_world->IndexOf("Graph.Stop"), m_world->IndexOf("Graph.RemoveFilter(Renderer)"));
    EXPECT_LT(m_world->IndexOf("Graph.RemoveFilter(Renderer)"),
              m_world->IndexOf("Graph.RemoveFilter(Tee)"));
    EXPECT_EQ(m_world->Graph(), nullptr);
    EXPECT_EQ(m_device->m_hNotifyWindow, kDialog);  // the handle is not the device's to clear
}

TEST_F(CaptureSequencesTest, DisconnectOfAnUnconnectedDeviceDoesNothing) {
    AddCamera();
    m_device->Connect();  // a device the dialog never counted as connected
    m_device->m_bPreviewWanted = TRUE;
    m_world->ClearCalls();
    DisconnectDevice(*m_device, m_bConnected);
    EXPECT_TRUE(m_world->Calls().empty());
    EXPECT_TRUE(m_device->m_bPreviewWanted);
    EXPECT_TRUE(m_device->m_pFilterGraph);
}

}  // namespace

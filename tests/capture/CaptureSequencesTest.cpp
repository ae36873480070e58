#include "CaptureFixture.h"
#include "capture/CaptureSequences.h"

namespace {

class CaptureSequencesTest : public CaptureFixture {
protected:
    BOOL SelectAndPreview(BOOL bResume) {
        return SelectFormatAndPreview(*m_device, m_nFormatKey, 640, 480, 1, bResume);
    }
    DWORD m_nFormatKey = 0xDEADu;
};

TEST_F(CaptureSequencesTest, StartUpIsTheFirstGroupAt640x480AndOneFramePerSecond) {
    EXPECT_FALSE(ConnectDevice(*m_device, kDialog));  // no camera: the dialog is not handed over
    EXPECT_EQ(m_device->NotifyWindow(), nullptr);
    AddCamera();
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    EXPECT_EQ(m_device->NotifyWindow(), kDialog);

    EXPECT_TRUE(SelectAndPreview(FALSE));
    EXPECT_EQ(m_nFormatKey, kYuy2);
    EXPECT_EQ(Capture().m_lastVideoInfo.AvgTimePerFrame, 10000000);
    EXPECT_FALSE(m_device->IsPreviewWanted());
    EXPECT_EQ(m_world->CountOf("Builder.RenderStream"), 0);
}

TEST_F(CaptureSequencesTest, AResumedPreviewRunsWhateverFormatThePinKeepsOrFailsToStart) {
    // A compressor pin has no table: the key stays as it was and no format is asked for.
    AddCamera(FALSE);
    m_world->Script("Camera.Capture.GetInfo", S_OK, true);
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    EXPECT_TRUE(SelectAndPreview(TRUE));
    EXPECT_EQ(m_nFormatKey, 0xDEADu);
    EXPECT_EQ(m_world->CountOf("Camera.Capture.SetFormat"), 0);
    EXPECT_TRUE(m_device->IsRunning());

    m_device = std::make_unique<CCaptureDevice>();
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    m_world->Script("Camera.Capture.SetFormat", E_FAIL);  // refused: the pin keeps its own
    EXPECT_TRUE(SelectAndPreview(TRUE));
    EXPECT_TRUE(m_device->IsPreviewWanted() && m_device->IsRunning());
    EXPECT_EQ(Graph().m_hNotifyWindow, kDialog);

    m_device = std::make_unique<CCaptureDevice>();  // one whose preview cannot start
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    m_world->Script("Graph.Run", E_FAIL, true);
    EXPECT_FALSE(SelectAndPreview(TRUE));
    EXPECT_TRUE(m_device->IsPreviewWanted() && m_device->IsPreviewRendered());
}

TEST_F(CaptureSequencesTest, DisconnectTakesAConnectedDeviceBackToIdleAndNoOtherOne) {
    AddCamera(FALSE);
    ASSERT_TRUE(ConnectDevice(*m_device, kDialog));
    ASSERT_TRUE(SelectAndPreview(TRUE));
    m_world->m_calls.clear();
    BOOL bConnected = FALSE;  // a device the dialog never counted as connected
    DisconnectDevice(*m_device, bConnected);
    EXPECT_TRUE(m_world->m_calls.empty());
    EXPECT_TRUE(m_device->IsPreviewWanted() && m_device->IsRunning());

    bConnected = TRUE;
    DisconnectDevice(*m_device, bConnected);
    EXPECT_FALSE(bConnected);
    EXPECT_FALSE(m_device->IsPreviewWanted() || m_device->IsRunning() ||
                 m_device->IsPreviewRendered() || m_device->HasNoPreviewPin());
    EXPECT_TRUE(HoldsNothing());
    EXPECT_TRUE(m_world->InOrder(
        {"Graph.Stop", "Graph.RemoveFilter(Renderer)", "Graph.RemoveFilter(Tee)"}));
    EXPECT_EQ(m_device->NotifyWindow(), kDialog);  // the handle is not the device's to clear
}

}  // namespace

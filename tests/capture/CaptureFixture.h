// A capture device over the fake capture world, with the leak checks every capture test ends
// with: no live COM object and no task memory left over.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "capture/CaptureDevice.h"
#include "fakes/FakeCaptureBuilder.h"
#include "fakes/FakeCaptureWorld.h"
#include "fakes/FakeFilter.h"
#include "fakes/FakeGraph.h"
#include "platform/com/ComRuntime.h"

inline constexpr DWORD kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');
inline constexpr DWORD kMjpg = MakeFourCC('M', 'J', 'P', 'G');

class CaptureFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_liveBefore = ComLiveObjectCount();
        m_taskBefore = CoTaskMemOutstanding();
        m_world = std::make_unique<FakeCaptureWorld>();
        m_device = std::make_unique<CCaptureDevice>();
    }

    void TearDown() override {
        m_device.reset();
        m_camera.Reset();
        m_world.reset();
        EXPECT_EQ(ComLiveObjectCount(), m_liveBefore);
        EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
    }

    // The camera "Standard_Camera". Sorted, its formats are YUY2 320x240 (capability 3),
    // YUY2 640x480 (1), MJPG 640x480 (2), MJPG 1280x960 (0).
    CFakeFilter& AddCamera(BOOL bPreviewPin = TRUE) {
        m_camera = CFakeFilter::MakeCamera("Camera", bPreviewPin);
        CFakePin& pin = CapturePin();
        pin.m_capabilities = {
            MakeVideoCapability(kMjpg, 1280, 960), MakeVideoCapability(kYuy2, 640, 480),
            MakeVideoCapability(kMjpg, 640, 480), MakeVideoCapability(kYuy2, 320, 240)};
        m_world->AddDevice(L"Standard_Camera", ComPtr<IBaseFilter>(m_camera.Get()));
        return *m_camera.Get();
    }

    CFakePin& CapturePin() { return *m_camera->Pin("Capture"); }
    CFakeGraph& Graph() { return *m_world->Graph(); }

    // Connect, then forget the calls it made.
    void Connected(BOOL bPreviewPin = TRUE) {
        AddCamera(bPreviewPin);
        ASSERT_TRUE(m_device->Connect());
        m_world->ClearCalls();
    }

    // Connect and render, then forget the calls.
    void Rendered(BOOL bPreviewPin = TRUE) {
        Connected(bPreviewPin);
        ASSERT_TRUE(m_device->RenderPreview());
        m_world->ClearCalls();
    }

    bool HoldsNothing() const {
        const CCaptureDevice& d = *m_device;
        return !d.m_pGraphBuilder && !d.m_pFilterGraph && !d.m_pCameraFilter &&
               !d.m_pStreamConfig && !d.m_pVideoCompression && !d.m_pVideoWindow &&
               !d.m_pMediaEvent && d.m_formatTable.GetCount() == 0;
    }

    long m_liveBefore = 0;
    long m_taskBefore = 0;
    std::unique_ptr<FakeCaptureWorld> m_world;
    ComPtr<CFakeFilter> m_camera;
    std::unique_ptr<CCaptureDevice> m_device;
};

// A capture device over the fake capture world; every capture test ends with no COM object
// alive and no task memory left over.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "capture/CaptureDevice.h"
#include "fakes/FakeGraph.h"
#include "platform/dshow/DeviceRegistry.h"
#include "support/LeakCheck.h"

inline constexpr DWORD kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');
inline constexpr DWORD kMjpg = MakeFourCC('M', 'J', 'P', 'G');
inline const HWND kDialog = reinterpret_cast<HWND>(0x1234);

class CaptureFixture : public LeakCheckedTest {
protected:
    // "Camera", the only device, named "Standard_Camera". Sorted, its formats are YUY2 320x240
    // (capability 3), YUY2 640x480 (1), MJPG 640x480 (2), MJPG 1280x960 (0).
    void AddCamera(BOOL bPreviewPin = TRUE) {
        ClearVideoInputDevices();
        std::vector<std::string> pins{"Capture"};
        if (bPreviewPin)
            pins.push_back("Preview");
        m_camera = m_world->AddDevice("Standard_Camera", "Camera", pins);
        Capture().m_capabilities = {
            {kMjpg, 1280, 960}, {kYuy2, 640, 480}, {kMjpg, 640, 480}, {kYuy2, 320, 240}};
    }

    // Adds the camera and connects (and renders), then forgets the calls made so far.
    void Connected(BOOL bPreviewPin = TRUE, BOOL bRender = FALSE) {
        AddCamera(bPreviewPin);
        ASSERT_TRUE(m_device->Connect());
        ASSERT_TRUE(!bRender || m_device->RenderPreview());
        m_world->m_calls.clear();
    }

    CFakePin& Capture() { return *m_camera->Pin("Capture"); }
    CFakeGraph& Graph() { return *static_cast<CFakeGraph*>(m_device->FilterGraph()); }

    bool HoldsNothing() const { return m_device->IsIdle(); }

    // Released in reverse: the device, then the camera, then the world they were made in.
    std::unique_ptr<FakeCaptureWorld> m_world = std::make_unique<FakeCaptureWorld>();
    ComPtr<CFakeFilter> m_camera;
    std::unique_ptr<CCaptureDevice> m_device = std::make_unique<CCaptureDevice>();
};

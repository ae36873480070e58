#include <tuple>

#include "CaptureFixture.h"

namespace {

using ConnectTest = CaptureFixture;

TEST_F(ConnectTest, BuildsTheGraphThenFillsASortedTableFromTheUsableCapabilities) {
    AddCamera();
    auto& caps = Capture().m_capabilities;
    caps.resize(7, {kYuy2, 800, 600});
    caps[4].formattype = FORMAT_None;
    caps[5].cbFormat = sizeof(VIDEOINFOHEADER) - 1;  // too short to hold the header
    m_world->Script("Camera.Capture.GetStreamCaps(6)", E_FAIL);
    ASSERT_TRUE(m_device->Connect());

    EXPECT_TRUE(m_world->InOrder(
        {"Bind(Camera)", "Builder.SetFiltergraph", "Graph.AddFilter(Camera)",
         "Builder.FindInterface(capture,IAMVideoCompression)",
         "Builder.FindInterface(capture,IAMStreamConfig)", "Camera.Capture.GetInfo",
         "Camera.Capture.GetNumberOfCapabilities", "Camera.Capture.GetStreamCaps(6)"}));

    const CFormatTable& table = m_device->FormatTable();
    ASSERT_EQ(table.GetCount(), 4);
    const LONG capabilities[] = {3, 1, 2, 0};
    for (LONG i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const CFormatEntry& entry = *table.GetEntryAt(i);
        EXPECT_EQ(entry.m_nCapabilityIndex, capabilities[i]);
        EXPECT_EQ(entry.m_caps.InputSize.cx, entry.Width());  // the caps travel with the entry
        EXPECT_EQ(entry.m_mediaType.pbFormat, nullptr);       // nothing points into the freed type
    }
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskAtStart);  // every capability's type was freed
}

TEST_F(ConnectTest, OnlyAnOkFromGetInfoMakesACompressorPinWithAnEmptyTable) {
    AddCamera();
    Capture().m_nReportedCapsSize = 8;  // the fill still reads a whole structure back
    for (const HRESULT hr : {S_OK, S_FALSE}) {
        m_world->Script("Camera.Capture.GetInfo", hr);
        CCaptureDevice device;
        ASSERT_TRUE(device.Connect());
        EXPECT_EQ(device.FormatTable().GetCount(), hr == S_OK ? 0 : 4);
    }
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetNumberOfCapabilities"), 1);
}

TEST_F(ConnectTest, AFailedConnectHoldsNothingOrOnlyTheGraphTheDeviceReleases) {
    AddCamera();
    const long alive = ComLiveObjectCount();
    // Builder, graph, SetFiltergraph and AddFilter count only S_OK as success.
    const std::pair<const char*, HRESULT> failures[] = {{"CoCreate.CaptureGraphBuilder", S_FALSE},
                                                        {"CoCreate.SystemDeviceEnum", E_FAIL},
                                                        {"Bind(Camera)", E_FAIL},
                                                        {"CoCreate.FilterGraph", S_FALSE},
                                                        {"Builder.SetFiltergraph", S_FALSE},
                                                        {"Graph.AddFilter(Camera)", S_FALSE}};
    for (const auto& [call, hr] : failures) {
        SCOPED_TRACE(call);
        m_world->Script(call, hr, true);
        EXPECT_FALSE(m_device->Connect());
        EXPECT_TRUE(HoldsNothing());
        EXPECT_EQ(ComLiveObjectCount(), alive);
    }
    // Without stream configuration connect fails, but the graph stays for the device to release
    // when it goes: the fixture checks that nothing is left alive.
    m_world->Script("Builder.FindInterface(capture,IAMStreamConfig)", E_NOINTERFACE);
    EXPECT_FALSE(m_device->Connect());
    EXPECT_TRUE(m_device->FilterGraph() && m_device->CameraFilter() && !m_device->IsIdle());
}

TEST_F(ConnectTest, SelectFormatSendsTheCapabilitysOwnTypeWithTheRatesInterval) {
    Connected();
    const std::pair<LONG, LONGLONG> rates[] = {{1, 10000000}, {15, 666666}, {7, 1428571}};
    for (const auto& [fps, interval_100ns] : rates) {
        ASSERT_TRUE(m_device->SelectFormat(kYuy2, 640, 480, fps));
        const VIDEOINFOHEADER& sent = Capture().m_lastVideoInfo;
        EXPECT_EQ(sent.AvgTimePerFrame, interval_100ns) << fps;
        EXPECT_EQ(sent.bmiHeader.biHeight, 480);  // the rest as the capability reported it
    }
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetStreamCaps(1)"), 3);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskAtStart);
}

TEST_F(ConnectTest, SelectFormatRefusesWithoutAPlatformCallOrFreesWhatItGot) {
    Connected();
    const std::tuple<DWORD, LONG, LONG, LONG> refused[] = {{kYuy2, 800, 600, 1},
                                                           {kYuy2, 1280, 960, 1} /* MJPG only */,
                                                           {kYuy2, 640, 480, 0},
                                                           {kYuy2, 640, 480, -5}};
    for (const auto& [code, width, height, fps] : refused)
        EXPECT_FALSE(m_device->SelectFormat(code, width, height, fps)) << width << "@" << fps;
    EXPECT_TRUE(m_world->m_calls.empty());

    for (const char* call : {"Camera.Capture.GetNumberOfCapabilities",
                             "Camera.Capture.GetStreamCaps(2)", "Camera.Capture.SetFormat"}) {
        m_world->Script(call, E_FAIL, true);
        EXPECT_FALSE(m_device->SelectFormat(kMjpg, 640, 480, 1)) << call;
    }
    Capture().m_capabilities[2].formattype = FORMAT_None;  // the pin changed its mind
    EXPECT_FALSE(m_device->SelectFormat(kMjpg, 640, 480, 1));
    EXPECT_EQ(m_world->CountOf("Camera.Capture.SetFormat"), 1);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskAtStart);
}

}  // namespace

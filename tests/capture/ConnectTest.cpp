#include <string>
#include <tuple>

#include "capture/CaptureFixture.h"

namespace {

using ConnectTest = CaptureFixture;

TEST_F(ConnectTest, BuildsTheGraphInOrderAndFillsASortedTable) {
    AddCamera();
    CapturePin().m_bCompression = TRUE;  // offered, but not a compressor (E_NOTIMPL)
    ASSERT_TRUE(m_device->Connect());

    const char* order[] = {"CoCreate.CaptureGraphBuilder",
                           "CoCreate.SystemDeviceEnum",
                           "Moniker0.BindToObject",
                           "CoCreate.FilterGraph",
                           "Builder.SetFiltergraph",
                           "Graph.AddFilter(Camera)",
                           "Builder.FindInterface(capture,IAMVideoCompression)",
                           "Builder.FindInterface(capture,IAMStreamConfig)",
                           "Camera.Capture.GetInfo",
                           "Camera.Capture.GetNumberOfCapabilities",
                           "Camera.Capture.GetStreamCaps(3)"};
    for (size_t i = 1; i < std::size(order); ++i) {
        EXPECT_LT(m_world->IndexOf(order[i - 1]), m_world->IndexOf(order[i])) << order[i];
    }

    EXPECT_TRUE(m_device->m_pGraphBuilder && m_device->m_pFilterGraph);
    EXPECT_EQ(m_device->m_pCameraFilter.Get(), static_cast<IBaseFilter*>(m_camera.Get()));
    EXPECT_TRUE(Graph().Contains(m_camera.Get()));
    EXPECT_TRUE(m_device->m_pStreamConfig && m_device->m_pVideoCompression);
    EXPECT_FALSE(m_device->m_bRunning || m_device->m_bPreviewRendered ||
                 m_device->m_bNoPreviewPin || m_device->m_bPreviewWanted);

    const CFormatTable& table = m_device->m_formatTable;
    ASSERT_EQ(table.GetCount(), 4);
    EXPECT_TRUE(table.IsSorted());
    EXPECT_EQ(table.GetEntryAt(0)->m_nCapabilityIndex, 3);
    EXPECT_EQ(table.GetEntryAt(3)->m_nCapabilityIndex, 0);
    EXPECT_EQ(table.GetEntryAt(1)->m_caps.InputSize.cx, 640);  // caps travel with the entry
    EXPECT_EQ(table.GetEntryAt(1)->m_frameIntervals.count, 7);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);  // every capability's type was freed
}

// A failure while the graph is built leaves nothing held.
class ConnectBuildFailureTest
    : public CaptureFixture,
      public ::testing::WithParamInterface<std::tuple<const char*, HRESULT>> {};

TEST_P(ConnectBuildFailureTest, ReleasesEverything) {
    AddCamera();
    m_world->Script(std::get<0>(GetParam()), std::get<1>(GetParam()));
    EXPECT_FALSE(m_device->Connect());
    EXPECT_TRUE(HoldsNothing());
    EXPECT_EQ(m_world->Graph(), nullptr);    // the graph is gone
    EXPECT_EQ(m_world->Builder(), nullptr);  // and so is the builder
}

INSTANTIATE_TEST_SUITE_P(EachStep, ConnectBuildFailureTest,
                         ::testing::Values(std::make_tuple("CoCreate.CaptureGraphBuilder",
                                                           REGDB_E_CLASSNOTREG),
                                           std::make_tuple("CoCreate.CaptureGraphBuilder", S_FALSE),
                                           std::make_tuple("CoCreate.SystemDeviceEnum", E_FAIL),
                                           std::make_tuple("Moniker0.BindToObject", E_FAIL),
                                           std::make_tuple("CoCreate.FilterGraph", E_OUTOFMEMORY),
                                           std::make_tuple("CoCreate.FilterGraph", S_FALSE),
                                           std::make_tuple("Builder.SetFiltergraph", S_FALSE),
                                           std::make_tuple("Graph.AddFilter(Camera)", S_FALSE),
                                           std::make_tuple("Graph.AddFilter(Camera)", E_FAIL)));

TEST_F(ConnectTest, ACompressorPinConnectsWithAnEmptyTable) {
    AddCamera();
    CapturePin().m_bCompression = TRUE;
    m_world->Script("Camera.Capture.GetInfo", S_OK);
    ASSERT_TRUE(m_device->Connect());
    EXPECT_EQ(m_device->m_formatTable.GetCount(), 0);
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetNumberOfCapabilities"), 0);
    EXPECT_TRUE(m_device->m_pFilterGraph && m_device->m_pStreamConfig);
}

TEST_F(ConnectTest, OnlyStatusOkMakesACompressor) {
    AddCamera();
    CapturePin().m_bCompression = TRUE;
    m_world->Script("Camera.Capture.GetInfo", S_FALSE);
    ASSERT_TRUE(m_device->Connect());
    EXPECT_EQ(m_device->m_formatTable.GetCount(), 4);
}

TEST_F(ConnectTest, UnusableCapabilitiesAreLeftOutAndFreed) {
    AddCamera();
    auto& caps = CapturePin().m_capabilities;
    caps[0].formattype = FORMAT_None;
    caps[2].cbFormat = sizeof(VIDEOINFOHEADER) - 1;  // too short to hold the header
    m_world->Script("Camera.Capture.GetStreamCaps(3)", E_FAIL);
    ASSERT_TRUE(m_device->Connect());
    ASSERT_EQ(m_device->m_formatTable.GetCount(), 1);
    EXPECT_EQ(m_device->m_formatTable.GetEntryAt(0)->m_nCapabilityIndex, 1);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
}

TEST_F(ConnectTest, OnlyNonVideoInfoFormatsGiveAnEmptyTable) {
    AddCamera();
    for (auto& cap : CapturePin().m_capabilities)
        cap.formattype = FORMAT_None;
    ASSERT_TRUE(m_device->Connect());
    EXPECT_EQ(m_device->m_formatTable.GetCount(), 0);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
}

TEST_F(ConnectTest, AShortReportedCapsSizeStillGetsAWholeBuffer) {
    AddCamera();
    CapturePin().m_nReportedCapsSize = 8;  // the fill reads a whole structure back
    ASSERT_TRUE(m_device->Connect());
    EXPECT_EQ(m_device->m_formatTable.GetCount(), 4);
}

TEST_F(ConnectTest, NoStreamConfigurationKeepsTheGraphUntilTheDeviceGoes) {
    AddCamera();
    CapturePin().m_bStreamConfig = FALSE;
    EXPECT_FALSE(m_device->Connect());
    EXPECT_FALSE(m_device->m_pStreamConfig);
    EXPECT_TRUE(m_device->m_pFilterGraph && m_device->m_pGraphBuilder && m_device->m_pCameraFilter);
    // Destroying the device takes the graph with it (TearDown checks nothing is left alive).
    m_device.reset();
    EXPECT_EQ(m_world->Graph(), nullptr);
    EXPECT_EQ(m_world->Builder(), nullptr);
}

class SelectFormatTest : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        Connected();
    }
};

TEST_F(SelectFormatTest, AsksForTheRateInTheCapabilitysOwnMediaType) {
    struct Row {
        LONG fps;
        LONGLONG interval_100ns;
    };
    for (const Row row : {Row{1, 10000000}, Row{15, 666666}, Row{30, 333333}, Row{7, 1428571}}) {
        ASSERT_TRUE(m_device->SelectFormat(kYuy2, 640, 480, row.fps));
        const VIDEOINFOHEADER& sent = CapturePin().m_lastVideoInfo;
        EXPECT_EQ(sent.AvgTimePerFrame, row.interval_100ns) << row.fps;
        EXPECT_EQ(sent.bmiHeader.biCompression, kYuy2);
        EXPECT_EQ(sent.bmiHeader.biWidth, 640);
        EXPECT_EQ(sent.bmiHeader.biHeight, 480);
        EXPECT_EQ(sent.bmiHeader.biBitCount, 16);  // the rest as the capability reported it
        EXPECT_EQ(CapturePin().m_lastFormatType, FORMAT_VideoInfo);
    }
    EXPECT_EQ(m_world->CountOf("Camera.Capture.GetStreamCaps(1)"), 4);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
}

TEST_F(SelectFormatTest, AFormatNotInTheTableMakesNoPlatformCall) {
    EXPECT_FALSE(m_device->SelectFormat(kYuy2, 800, 600, 1));
    EXPECT_FALSE(m_device->SelectFormat(kYuy2, 640, -480, 1));
    EXPECT_FALSE(m_device->SelectFormat(kYuy2, 1280, 960, 1));  // offered only as MJPG
    EXPECT_FALSE(m_device->SelectFormat(0, 640, 480, 1));
    EXPECT_FALSE(m_device->SelectFormat(kYuy2, 640, 480, 0));  // no interval for 0 fps
    EXPECT_FALSE(m_device->SelectFormat(kYuy2, 640, 480, -5));
    EXPECT_TRUE(m_world->Calls().empty());
    EXPECT_EQ(CapturePin().m_nSetFormatCalls, 0);
}

TEST_F(SelectFormatTest, EachPlatformFailureReportsFalseAndFreesTheType) {
    for (const char* call : {"Camera.Capture.GetNumberOfCapabilities",
                             "Camera.Capture.GetStreamCaps(2)", "Camera.Capture.SetFormat"}) {
        m_world->ScriptOnce(call, E_FAIL);
        EXPECT_FALSE(m_device->SelectFormat(kMjpg, 640, 480, 1)) << call;
        EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore) << call;
    }
    EXPECT_EQ(CapturePin().m_nSetFormatCalls, 1);  // only the last row got that far

    CapturePin().m_capabilities[2].formattype = FORMAT_None;  // the pin changed its mind
    EXPECT_FALSE(m_device->SelectFormat(kMjpg, 640, 480, 1));
    EXPECT_EQ(CapturePin().m_nSetFormatCalls, 1);
    EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
}

}  // namespace

// The live capture filter over a scripted backend: what only a camera backend can make happen.
// Formats, pacing and the pins on a working camera are exercised on the simulator.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/vidcap/LiveCaptureDevice.h"
#include "support/CreateInstance.h"
#include "support/DShowClassesEnvironment.h"
#include "support/LeakCheck.h"
#include "support/WaitUntil.h"

namespace {

// Says every property can be read; only that reaches the filter's property set here.
class CAnsweringPropertySet : public ICameraPropertySet {
public:
    HRESULT Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT Get(REFGUID, DWORD, void*, DWORD, void*, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT QuerySupported(REFGUID, DWORD, DWORD* pTypeSupport) override {
        *pTypeSupport = KSPROPERTY_SUPPORT_GET;
        return S_OK;
    }
};

// What the backend does and what was asked of it; shared with the test, which outlives it.
struct Script {
    HRESULT hrStart = S_OK;
    FrameWait wait = FrameWait::Frame;
    bool bVendor = false;
    std::atomic<int64_t> now_ms{0};
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<int> waits{0};
};

class CScriptedBackend : public ICaptureBackend {
public:
    explicit CScriptedBackend(Script& script) : m_script(script) {}

    const std::vector<CaptureFormat>& Formats() const override { return m_formats; }
    size_t DefaultFormat() const override { return 1; }
    int64_t Now_ms() const override { return m_script.now_ms.load(); }
    HRESULT SetFormat(size_t, REFERENCE_TIME) override { return S_OK; }
    HRESULT Start() override {
        ++m_script.starts;
        return m_script.hrStart;
    }
    void Stop() override { ++m_script.stops; }
    FrameWait WaitFrame(int64_t timeout_ms, std::span<BYTE>) override {
        ++m_script.waits;
        if (m_script.wait == FrameWait::Timeout)
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::min<int64_t>(timeout_ms, 2)));
        return m_script.wait;
    }
    ICameraPropertySet* VendorPropertySet() override {
        return m_script.bVendor ? &m_vendor : nullptr;
    }

private:
    Script& m_script;
    CAnsweringPropertySet m_vendor;
    // One frame a second at most, or one every 1.5 s at most.
    const std::vector<CaptureFormat> m_formats{{MEDIASUBTYPE_RGB24, 8, 6, 10'000'000, 10'000'000},
                                               {MEDIASUBTYPE_YUY2, 8, 6, 15'000'000, 15'000'000}};
};

class LiveCaptureFilterTest : public LeakCheckedTest {
protected:
    void Make() {
        LiveCaptureDevice device;
        device.friendlyName = "Scripted";
        device.makeBackend = [this] { return std::make_unique<CScriptedBackend>(m_script); };
        ASSERT_EQ(CreateLiveCaptureFilter(device, m_filter.ReleaseAndGetAddressOf()), S_OK);
        m_graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), nullptr), S_OK);
        ASSERT_EQ(m_graph.As(m_events), S_OK);
    }
    // The capture pin's stream configuration, or null.
    ComPtr<IAMStreamConfig> StreamConfig() {
        ComPtr<IEnumPins> pins;
        ComPtr<IPin> pin;
        ComPtr<IAMStreamConfig> config;
        if (m_filter->EnumPins(pins.ReleaseAndGetAddressOf()) == S_OK &&
            pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK)
            pin.As(config);
        return config;
    }
    // The next event within `timeout_ms`, or 0.
    LONG NextEvent(LONG_PTR& param1, LONG timeout_ms = 20'000) {
        LONG code = 0;
        LONG_PTR param2 = 0;
        return m_events->GetEvent(&code, &param1, &param2, timeout_ms) == S_OK ? code : 0;
    }

    Script m_script;  // outlives the filter and its backend
    ComPtr<IBaseFilter> m_filter;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaEventEx> m_events;
};

TEST_F(LiveCaptureFilterTest, OffersTheBackendsFormatsAndItsPropertySetOnlyWhenItHasOne) {
    for (const bool bVendor : {false, true}) {
        SCOPED_TRACE(bVendor ? "with the vendor property set" : "video only");
        m_script.bVendor = bVendor;
        Make();
        ComPtr<IKsPropertySet> props;
        EXPECT_EQ(m_filter.As(props), bVendor ? S_OK : E_NOINTERFACE);
        if (props) {
            DWORD support = 0;
            EXPECT_EQ(props->QuerySupported(GUID{}, 7, &support), S_OK);
            EXPECT_EQ(support, KSPROPERTY_SUPPORT_GET);
        }
        const ComPtr<IAMStreamConfig> config = StreamConfig();
        ASSERT_TRUE(config);
        int count = 0, size = 0;
        ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
        EXPECT_EQ(count, 2);
        AM_MEDIA_TYPE* pmt = nullptr;
        ASSERT_EQ(config->GetFormat(&pmt), S_OK);
        EXPECT_EQ(pmt->subtype, MEDIASUBTYPE_YUY2) << "the backend's default format";
        DeleteMediaType(pmt);
    }
}

TEST_F(LiveCaptureFilterTest, ACameraThatDoesNotStartLeavesTheFilterStopped) {
    m_script.hrStart = HRESULT_DEVICE_NOT_CONNECTED;
    Make();
    EXPECT_EQ(m_filter->Run(0), HRESULT_DEVICE_NOT_CONNECTED);
    FILTER_STATE state = State_Running;
    ASSERT_EQ(m_filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(m_script.starts, 1);
    EXPECT_EQ(m_script.stops, 0) << "a backend that did not start is not stopped";
    EXPECT_EQ(m_script.waits, 0);
}

TEST_F(LiveCaptureFilterTest, ALostCameraEndsTheStreamWithErrorAbort) {
    m_script.wait = FrameWait::Lost;
    Make();
    ASSERT_EQ(m_filter->Run(0), S_OK);
    LONG_PTR status = 0;
    EXPECT_EQ(NextEvent(status), EC_ERRORABORT);
    EXPECT_EQ(status, static_cast<LONG_PTR>(HRESULT_DEVICE_NOT_CONNECTED));
    ASSERT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(m_script.waits, 1) << "the stream ended at the loss";
    EXPECT_EQ(m_script.stops, 1);
}

// Silent for two seconds, or two frame intervals where those are longer: the 1.5 s format.
TEST_F(LiveCaptureFilterTest, ACameraSilentForTwoSecondsOrTwoIntervalsIsTakenForLost) {
    m_script.wait = FrameWait::Timeout;
    for (const auto& [format, silence_ms] : {std::pair{0, 2000}, std::pair{1, 3000}}) {
        SCOPED_TRACE(format);
        m_script.now_ms = 0;
        Make();
        const ComPtr<IAMStreamConfig> config = StreamConfig();
        ASSERT_TRUE(config);
        AM_MEDIA_TYPE* pmt = nullptr;
        BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS)];
        ASSERT_EQ(config->GetStreamCaps(format, &pmt, caps), S_OK);
        ASSERT_EQ(config->SetFormat(pmt), S_OK);
        DeleteMediaType(pmt);

        ASSERT_EQ(m_filter->Run(0), S_OK);
        const int waits = m_script.waits;
        ASSERT_TRUE(WaitUntil([&] { return m_script.waits > waits + 2; }));
        m_script.now_ms = silence_ms - 1;
        LONG_PTR status = 0;
        EXPECT_EQ(NextEvent(status, 50), 0);
        m_script.now_ms = silence_ms;
        EXPECT_EQ(NextEvent(status), EC_ERRORABORT);
        EXPECT_EQ(status, static_cast<LONG_PTR>(HRESULT_DEVICE_NOT_CONNECTED));
        ASSERT_EQ(m_filter->Stop(), S_OK);
    }
    EXPECT_EQ(m_script.stops, 2);
}

}  // namespace

// A camera without the vendor property set, as a real UVC camera is: the simulator's pictures
// behind a backend that offers no property set and only some of its sizes. The session
// connects it without the firmware, the ready wait or the profile, starts it in the size
// nearest 640 x 480 at 10 frames a second, and reads its figure from the picture's centre.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>

#include "platform/dshow/DeviceRegistry.h"
#include "session/CameraSession.h"
#include "sim/SimCaptureBackend.h"
#include "support/LeakCheck.h"
#include "support/NullRendererEnvironment.h"
#include "support/WaitUntil.h"

namespace {

// What the host chose, for the test to see.
struct Chosen {
    std::atomic<int> width{0};
    std::atomic<int64_t> interval_100ns{0};
};

// The simulator's frames at some of its sizes, and no vendor property set.
class CPlainBackend : public CSimCaptureBackend {
public:
    CPlainBackend(std::shared_ptr<CSimCamera> camera, std::vector<size_t> simFormats,
                  Chosen& chosen)
        : CSimCaptureBackend(std::move(camera), SimVideoConfig{.bLensPanel = FALSE}),
          m_simFormats(std::move(simFormats)),
          m_chosen(chosen) {
        for (const size_t i : m_simFormats)
            m_formats.push_back(CSimCaptureBackend::Formats()[i]);
    }
    const std::vector<CaptureFormat>& Formats() const override { return m_formats; }
    size_t DefaultFormat() const override { return 0; }
    HRESULT SetFormat(size_t index, REFERENCE_TIME interval_100ns) override {
        if (index >= m_formats.size())
            return E_INVALIDARG;
        m_chosen.width = m_formats[index].width;
        m_chosen.interval_100ns = interval_100ns;
        return CSimCaptureBackend::SetFormat(m_simFormats[index], interval_100ns);
    }
    ICameraPropertySet* VendorPropertySet() override { return nullptr; }

private:
    const std::vector<size_t> m_simFormats;
    Chosen& m_chosen;
    std::vector<CaptureFormat> m_formats;
};

class VideoOnlyOnSimulatorTest : public LeakCheckedTest {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.Prepare()); }
    void Register(std::vector<size_t> simFormats) {
        LiveCaptureDevice plain;
        plain.friendlyName = "Plain Camera";
        plain.makeBackend = [this, simFormats] {
            return std::make_unique<CPlainBackend>(m_camera, simFormats, m_chosen);
        };
        RegisterLiveCaptureDevice(std::move(plain));
    }
    void TearDown() override {
        m_session.Finish();
        ClearVideoInputDevices();
    }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(0);
    std::shared_ptr<CSimCamera> m_camera = std::make_shared<CSimCamera>(SimCameraConfig{}, m_clock);
    Chosen m_chosen;
    CCameraSession m_session;
};

}  // namespace

TEST_F(VideoOnlyOnSimulatorTest, ConnectsWithoutTheVendorChannelInTheNearestFormat) {
    // The simulator's RGB24 formats are 320 x 240, 640 x 480, 1280 x 960 and 160 x 120 (its
    // indexes 1, 2, 4 and 5); YUY2 (0, 3) is a group of its own, after RGB24's.
    struct Case {
        std::vector<size_t> formats;
        int width;
    };
    for (const Case& c : {Case{{0, 1, 2, 4}, 640}, Case{{5, 4, 1}, 320}, Case{{4, 5}, 160}}) {
        SCOPED_TRACE(c.width);
        ClearVideoInputDevices();
        Register(c.formats);
        m_session.SetCameraName("Plain Camera");
        m_session.SetPreviewRate(1);  // the rate the dialog keeps is not a video-only camera's
        ASSERT_EQ(m_session.Connect(nullptr), CCameraSession::ConnectResult::Connected);
        EXPECT_TRUE(m_session.IsVideoOnly());
        EXPECT_TRUE(m_session.Device()->IsVideoOnly());
        ASSERT_TRUE(m_session.StartPreview(TRUE)) << "the firmware is told of nothing";
        EXPECT_EQ(m_chosen.width, c.width);
        EXPECT_EQ(m_chosen.interval_100ns, 1'000'000) << "10 frames a second";
        m_session.StopPreview(TRUE);
    }
    m_session.SetCameraName("Absent Camera");
    EXPECT_EQ(m_session.Connect(nullptr), CCameraSession::ConnectResult::CameraNotFound);
}

TEST_F(VideoOnlyOnSimulatorTest, TheFigureIsTheCentresMtf50MeasuredFromThePicture) {
    Register({2});
    m_session.SetCameraName("Plain Camera");
    ASSERT_EQ(m_session.Connect(nullptr), CCameraSession::ConnectResult::Connected);
    LONG value = 0;
    EXPECT_EQ(m_session.PollFocus(value), CCameraSession::FocusPoll::Nothing) << "not running";
    ASSERT_TRUE(m_session.StartPreview(TRUE));
    // The stream's first frame, at the lens's start, is measured before any move: a late one
    // measured after it would take the meter's turn from the frame the test waits for.
    RegionReading first;
    ASSERT_TRUE(WaitUntil([&] { return m_session.ReadRegions(first); }));
    m_session.Meter().WaitIdle();
    for (const int position : {560, 620}) {
        m_camera->Scene().SetLensPosition(position);
        m_clock->Advance(100);
        ASSERT_TRUE(WaitUntil(
            [&] { return m_session.PollFocus(value) == CCameraSession::FocusPoll::Figure; }));
        RegionReading reading;
        ASSERT_TRUE(m_session.ReadRegions(reading));
        EXPECT_EQ(value, std::lround(reading.sharpness.regions[0].mtf50 * 10000));
        const double truth = m_camera->Scene().TrueMtf50At(0.5, 0.5, 640, position);
        EXPECT_NEAR(value, truth * 10000, 0.05 * truth * 10000) << position;
        EXPECT_EQ(m_session.PollFocus(value), CCameraSession::FocusPoll::Nothing)
            << "one figure per measured frame";
    }
}

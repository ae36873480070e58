// The capture logic on the platform stand-in and the simulated camera, the way the main dialog
// drives it (connect, start-up format, frames at one per second, disconnect), and the five
// regions measured live from its preview, held to what the simulator knows it renders: the
// MTF50 at each region across the lens's travel, and the corners of a tilted lens peaking where
// the tilt puts their focus.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "capture/CaptureSequences.h"
#include "platform/dshow/DeviceRegistry.h"
#include "session/RegionMeter.h"
#include "sim/SimCameraRegistration.h"
#include "support/LeakCheck.h"
#include "support/NullRendererEnvironment.h"
#include "support/WaitUntil.h"

namespace {

// Where each region's centre lies, in fractions of the picture's width and height.
constexpr std::array<std::array<double, 2>, kSfrRegionCount> kCentres{
    {{0.5, 0.5}, {0.15, 0.15}, {0.85, 0.15}, {0.15, 0.85}, {0.85, 0.85}}};

class RegionsOnSimulatorTest : public LeakCheckedTest {
protected:
    // A 640 x 480 preview on a camera whose lens has the given tilt, measured by m_meter.
    void Start(int tiltX, int tiltY, BOOL bPreviewPin = TRUE) {
        SimCameraConfig config;
        config.scene.tiltX = tiltX;
        config.scene.tiltY = tiltY;
        m_camera = std::make_shared<CSimCamera>(config, m_clock);
        SimVideoConfig video;
        video.bLensPanel = FALSE;
        video.bPreviewPin = bPreviewPin;
        RegisterSimulatedCamera(m_camera, video);
        m_device = std::make_unique<CCaptureDevice>();
        m_bConnected = ConnectDevice(*m_device, nullptr);
        ASSERT_TRUE(m_bConnected);
        m_device->SetFrameSink(&m_meter);
        DWORD nFormatKey = 0;
        ASSERT_TRUE(SelectFormatAndPreview(*m_device, nFormatKey, 640, 480, 1, TRUE));
        // The stream's first frame shows the lens where it started: measured before any move,
        // so that no later reading can be that frame.
        RegionReading first;
        ASSERT_TRUE(WaitUntil([&] { return m_meter.Latest(first); }));
    }
    void TearDown() override {
        if (m_device) {
            DisconnectDevice(*m_device, m_bConnected);
            m_device.reset();
        }
        m_camera.reset();
        ClearVideoInputDevices();
    }

    // The regions of the next frame, rendered with the lens at `position`.
    RegionSharpness MeasureAt(int position) {
        m_camera->Scene().SetLensPosition(position);
        RegionReading reading;
        const uint64_t before = m_meter.Latest(reading) ? reading.sequence : 0;
        m_clock->Advance(1000);
        EXPECT_TRUE(WaitUntil([&] { return m_meter.Latest(reading) && reading.sequence > before; }))
            << "no frame measured at " << position;
        return reading.sharpness;
    }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(0);
    std::shared_ptr<CSimCamera> m_camera;
    CRegionMeter m_meter;  // outlives the device it is handed to
    std::unique_ptr<CCaptureDevice> m_device;
    BOOL m_bConnected = FALSE;
};

// The frame pacing itself is the simulator's (SimVideoTest); here the frames are measured.
TEST_F(RegionsOnSimulatorTest, ConnectsPreviewsWithOrWithoutAPreviewPinAndDisconnects) {
    for (const BOOL bPreviewPin : {TRUE, FALSE}) {
        SCOPED_TRACE(bPreviewPin);
        Start(0, 0, bPreviewPin);
        EXPECT_EQ(m_device->HasNoPreviewPin(), !bPreviewPin);
        MeasureAt(620);  // a second frame, one second on
        DisconnectDevice(*m_device, m_bConnected);
        EXPECT_FALSE(m_device->IsRunning() || m_device->FilterGraph() || m_device->CameraFilter());
        TearDown();
    }
}

TEST_F(RegionsOnSimulatorTest, EveryRegionAgreesWithTheSimulatorsTruthAcrossTheTravel) {
    Start(0, 0);
    for (const int position : {560, 600, 620, 640, 680}) {
        const RegionSharpness measured = MeasureAt(position);
        for (int r = 0; r < kSfrRegionCount; ++r) {
            const double truth =
                m_camera->Scene().TrueMtf50At(kCentres[r][0], kCentres[r][1], 640, position);
            const EdgeSfr& region = measured.regions[r];
            ASSERT_TRUE(region.bEdge) << position << " " << SfrRegionKey(SfrRegion(r));
            EXPECT_NEAR(region.mtf50, truth, 0.05 * truth)
                << position << " " << SfrRegionKey(SfrRegion(r));
        }
    }
}

// With a tilt of 40 steps the corners at 0.15 of the picture are in focus 14 steps before the
// centre, those at 0.85 14 steps after it.
TEST_F(RegionsOnSimulatorTest, TiltedCornersPeakWhereTheTiltPutsTheirFocus) {
    for (const bool bAcross : {true, false}) {
        SCOPED_TRACE(bAcross ? "tilt-x=40" : "tilt-y=40");
        Start(bAcross ? 40 : 0, bAcross ? 0 : 40);
        // The corners on the side in focus first: left for a tilt across, top for one down.
        const std::array<SfrRegion, 2> first = {
            SfrRegion::TopLeft, bAcross ? SfrRegion::BottomLeft : SfrRegion::TopRight};
        const std::array<SfrRegion, 2> second = {
            SfrRegion::BottomRight, bAcross ? SfrRegion::TopRight : SfrRegion::BottomLeft};
        auto mean = [](const RegionSharpness& s, const std::array<SfrRegion, 2>& pair) {
            return (s.regions[int(pair[0])].mtf50 + s.regions[int(pair[1])].mtf50) / 2;
        };
        int bestFirst = 0, bestSecond = 0;
        double peakFirst = 0, peakSecond = 0;
        for (int position = 596; position <= 644; position += 2) {
            const RegionSharpness s = MeasureAt(position);
            if (mean(s, first) > peakFirst)
                peakFirst = mean(s, first), bestFirst = position;
            if (mean(s, second) > peakSecond)
                peakSecond = mean(s, second), bestSecond = position;
            if (position == 606 || position == 634) {
                // The tilt read-out leans toward the side in focus.
                const ImageTilt tilt = MeasureTilt(s);
                ASSERT_TRUE(tilt.bValid);
                const double lean = bAcross ? tilt.x_percent : tilt.y_percent;
                EXPECT_GT(position == 606 ? lean : -lean, 10) << position;
            }
        }
        EXPECT_NEAR(bestFirst, 606, 3);
        EXPECT_NEAR(bestSecond, 634, 3);
        TearDown();
    }
}

}  // namespace

// The capture logic on the platform stand-in and the simulated camera, the way the main dialog
// drives it (connect, start-up format, disconnect), and the five regions measured live from its
// preview, held to what the simulator knows it renders: the MTF50 at each region across the
// lens's travel, straight or tilted.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <tuple>

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
        m_meter.Forget();  // the camera before this one left its last reading
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

// With a tilt of 40 steps the corners at 0.15 of the picture are in focus 14 steps before the
// centre (606), those at 0.85 14 steps after it (634); each region's truth knows that, and the
// tilt read-out leans toward the side in focus there. One camera has no preview pin: its
// preview goes through the tee.
TEST_F(RegionsOnSimulatorTest, EveryRegionAgreesWithTheSimulatorsTruthAcrossTheTravelAndTilt) {
    for (const auto& [tiltX, tiltY, bPreviewPin] :
         {std::tuple{0, 0, TRUE}, {40, 0, FALSE}, {0, 40, TRUE}}) {
        SCOPED_TRACE(testing::Message() << "tilt " << tiltX << ", " << tiltY);
        Start(tiltX, tiltY, bPreviewPin);
        EXPECT_EQ(m_device->HasNoPreviewPin(), !bPreviewPin);
        for (const int position : {560, 600, 606, 620, 634, 640, 680}) {
            const RegionSharpness measured = MeasureAt(position);
            for (int r = 0; r < kSfrRegionCount; ++r) {
                const double truth =
                    m_camera->Scene().TrueMtf50At(kCentres[r][0], kCentres[r][1], 640, position);
                const EdgeSfr& region = measured.regions[r];
                ASSERT_TRUE(region.bEdge) << position << " " << SfrRegionKey(SfrRegion(r));
                EXPECT_NEAR(region.mtf50, truth, 0.05 * truth)
                    << position << " " << SfrRegionKey(SfrRegion(r));
            }
            if ((tiltX || tiltY) && (position == 606 || position == 634)) {
                const ImageTilt tilt = MeasureTilt(measured);
                ASSERT_TRUE(tilt.bValid);
                const double lean = tiltX ? tilt.x_percent : tilt.y_percent;
                EXPECT_GT(position == 606 ? lean : -lean, 10) << position;
            }
        }
        DisconnectDevice(*m_device, m_bConnected);
        EXPECT_FALSE(m_device->IsRunning() || m_device->FilterGraph() || m_device->CameraFilter());
        TearDown();
    }
}

}  // namespace

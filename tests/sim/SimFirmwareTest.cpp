// The simulated firmware behind the vendor property set, and the scene it reports on.
#include <gtest/gtest.h>

#include <array>

#include "platform/ks/KsPropertySet.h"
#include "platform/ks/VendorPropertySet.h"
#include "sim/SimClock.h"
#include "sim/SimFirmware.h"
#include "sim/SimScene.h"
#include "sim/SimStill.h"

namespace {

using Record = std::array<DWORD, 3>;
using Bytes = std::vector<BYTE>;

Bytes Le(std::initializer_list<DWORD> words) {
    Bytes b;
    for (DWORD w : words)
        b.insert(b.end(), {BYTE(w), BYTE(w >> 8), BYTE(w >> 16), BYTE(w >> 24)});
    return b;
}

class SimFirmwareTest : public ::testing::Test {
protected:
    void Make(const SimFirmwareConfig& config) {
        m_firmware = std::make_unique<CSimFirmware>(m_clock, m_scene, config);
    }
    void SetUp() override { Make({}); }

    HRESULT Set(DWORD id, Bytes b) {
        return m_firmware->Set(VendorPropertySet, id, b.data(), DWORD(b.size()),
                               b.empty() ? nullptr : b.data(), DWORD(b.size()));
    }
    HRESULT Get(DWORD id, Bytes& out) {
        DWORD returned = 0;
        return m_firmware->Get(VendorPropertySet, id, out.data(), DWORD(out.size()), out.data(),
                               DWORD(out.size()), &returned);
    }
    DWORD GetU32(DWORD id) {
        Bytes b(4, 0xFF);
        EXPECT_EQ(Get(id, b), S_OK);
        return b[0] | b[1] << 8 | b[2] << 16 | DWORD(b[3]) << 24;
    }
    Record Status() {
        Bytes b(12);
        EXPECT_EQ(Get(VENDOR_PROPERTY_STATUS, b), S_OK);
        Record r{};
        for (int i = 0; i < 12; ++i)
            r[i / 4] |= DWORD(b[i]) << 8 * (i % 4);
        return r;
    }
    HRESULT Acknowledge(const Record& r) {
        return Set(VENDOR_PROPERTY_STATUS, Le({r[0], r[1], r[2]}));
    }
    // The posted block, read in the largest pieces the firmware serves, then acknowledged.
    Bytes Download() {
        const Record r = Status();
        EXPECT_EQ(r[2] & 1, 1u);
        Bytes block;
        for (DWORD at = 0; at < r[1]; at += 0x8000) {
            Bytes piece(0x8000);
            EXPECT_EQ(Set(VENDOR_PROPERTY_MEMORY_RANGE, Le({r[0] + at, 0x8000})), S_OK);
            EXPECT_EQ(Get(VENDOR_PROPERTY_MEMORY_DATA, piece), S_OK);
            block.insert(block.end(), piece.begin(), piece.begin() + std::min(0x8000u, r[1] - at));
        }
        EXPECT_EQ(Acknowledge(r), S_OK);
        return block;
    }
    // A raw still's samples as the scene renders them at `lens`.
    Bytes RawAt(const CSimScene& scene, const CSimScene::LensState& lens) {
        Bytes samples(size_t(m_sensor.width) * m_sensor.height);
        scene.RenderBayer(m_sensor.width, m_sensor.height, 0, samples.data(), lens);
        return samples;
    }
    static Bytes SamplesOf(const Bytes& raw) {
        return Bytes(raw.begin() + kRawHeaderSize, raw.end());
    }
    SimFirmwareConfig SmallSensor() {
        SimFirmwareConfig config;
        config.resolutions = {m_sensor};
        return config;
    }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(1000);
    std::shared_ptr<CSimScene> m_scene = std::make_shared<CSimScene>();
    std::unique_ptr<CSimFirmware> m_firmware;
    SimResolution m_sensor{320, 240, 0};
};

TEST_F(SimFirmwareTest, RefusesUnknownPropertiesAndCommands) {
    DWORD got = 0;
    for (DWORD id : {4u, 33u, 65u, 68u})
        EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, id, &got), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(m_firmware->QuerySupported(GUID{1, 2, 3, {}}, 34, &got), E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(Set(VENDOR_PROPERTY_DEVICE_STATE, Le({1})), E_PROP_ID_UNSUPPORTED);
    for (DWORD command : {67u, 0x141u})  // only 'A' and 'B'
        EXPECT_EQ(Set(VENDOR_PROPERTY_COMMAND, Le({command})), E_INVALIDARG) << command;
}

TEST_F(SimFirmwareTest, StartsUpThenReadsRegistersAndMemoryOnlyRightAfterTheirSelection) {
    EXPECT_EQ(GetU32(VENDOR_PROPERTY_DEVICE_STATE), 0u);
    m_clock->Advance(SimFirmwareConfig{}.startup_ms - 1);
    EXPECT_EQ(GetU32(VENDOR_PROPERTY_DEVICE_STATE), 0u);
    m_clock->Advance(1);
    EXPECT_EQ(GetU32(VENDOR_PROPERTY_DEVICE_STATE), 1u);

    Bytes value(1);
    EXPECT_EQ(Get(VENDOR_PROPERTY_REGISTER_VALUE, value), E_UNEXPECTED);
    ASSERT_EQ(Set(VENDOR_PROPERTY_REGISTER_ADDRESS, Le({0x740})), S_OK);
    ASSERT_EQ(Get(VENDOR_PROPERTY_REGISTER_VALUE, value), S_OK);
    EXPECT_EQ(value[0], CSimFirmware::kRegisterFirmwareBits);
    EXPECT_EQ(Get(VENDOR_PROPERTY_REGISTER_VALUE, value), E_UNEXPECTED);

    Bytes piece(0x8001), small(16);
    EXPECT_EQ(Set(VENDOR_PROPERTY_MEMORY_RANGE, Le({0, 0x8001})), E_INVALIDARG);
    EXPECT_EQ(Get(VENDOR_PROPERTY_MEMORY_DATA, piece), E_UNEXPECTED);
    EXPECT_EQ(Set(VENDOR_PROPERTY_MEMORY_RANGE, Le({CSimFirmware::kMemorySize - 4, 8})),
              E_INVALIDARG);
    ASSERT_EQ(Set(VENDOR_PROPERTY_MEMORY_RANGE, Le({0x10, 0x8000})), S_OK);
    EXPECT_NE(Get(VENDOR_PROPERTY_MEMORY_DATA, small), S_OK);  // buffer shorter than the range
}

TEST_F(SimFirmwareTest, EveryCallFailsFromTheUnplugTimeAfterPowerUp) {
    SimFirmwareConfig config;
    config.unplugAfter_ms = 2000;
    Make(config);
    DWORD support = 0;
    m_clock->Advance(1999);
    EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, VENDOR_PROPERTY_STATUS, &support),
              S_OK);
    m_clock->Advance(1);
    EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, VENDOR_PROPERTY_STATUS, &support),
              HRESULT_DEVICE_NOT_CONNECTED);
    Bytes record(12);
    EXPECT_EQ(Get(VENDOR_PROPERTY_STATUS, record), HRESULT_DEVICE_NOT_CONNECTED);
}

// A request's own answer and its post delay are checked with the stills below.
TEST_F(SimFirmwareTest, FocusReportsFlowWhileStreamingAndARequestTakesTheMailboxFromThem) {
    m_firmware->OnStreamingStarted();
    m_clock->Advance(99);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(1);
    EXPECT_EQ(Status(), (Record{0, DWORD(m_scene->FocusFigure()), 1}));
    Acknowledge(Status());
    m_scene->SetLensPosition(m_scene->Config().inFocusPosition);
    m_clock->Advance(100);
    EXPECT_EQ(LONG(Status()[1]), m_scene->FocusFigureAt(m_scene->Config().inFocusPosition));

    // Unacknowledged, the report gives way to a request, and no report pushes that aside.
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RESOLUTIONS, {}), S_OK);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(300);
    EXPECT_EQ(Status(), (Record{CSimFirmware::kBlockBase, 34, 1}));
    Acknowledge(Status());
    m_clock->Advance(100);
    EXPECT_EQ(Status()[0], 0u);  // a focus report again
    m_firmware->OnStreamingStopped();
    Acknowledge(Status());
    m_clock->Advance(1000);
    EXPECT_EQ(Status()[2] & 1, 0u);
    EXPECT_EQ(m_firmware->GetCounters().acknowledgements, 3u);
}

TEST_F(SimFirmwareTest, EveryGetAndSetTakesTheRoundTripOnTheCamerasClock) {
    struct CRecordingClock : CManualSimClock {
        void Sleep_us(int64_t duration_us) override { slept_us.push_back(duration_us); }
        std::vector<int64_t> slept_us;
    };
    const auto clock = std::make_shared<CRecordingClock>();
    SimFirmwareConfig config;
    config.callLatency_us = 700;
    m_firmware = std::make_unique<CSimFirmware>(clock, m_scene, config);
    DWORD support = 0;
    Bytes record(12), unknown(12);
    ASSERT_EQ(m_firmware->QuerySupported(VendorPropertySet, VENDOR_PROPERTY_STATUS, &support),
              S_OK);
    EXPECT_TRUE(clock->slept_us.empty());  // the driver answers that without the camera
    ASSERT_EQ(Get(VENDOR_PROPERTY_STATUS, record), S_OK);
    ASSERT_EQ(Set(VENDOR_PROPERTY_STATUS, record), S_OK);
    EXPECT_EQ(Get(4, unknown), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(clock->slept_us, (std::vector<int64_t>{700, 700, 700}));
}

// The camera takes a still on a thread of its own while the host polls; what it shows is the
// lens at the request, and it is posted no sooner than the post delay, however fast it renders.
TEST_F(SimFirmwareTest, AStillShowsTheLensAsItStoodAtTheRequestAndWaitsForThePostDelay) {
    Make(SmallSensor());
    const int64_t delay = SimFirmwareConfig{}.post_delay_ms;
    m_scene->SetTiltX(30);
    const CSimScene::LensState requested = m_scene->CurrentLens();
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RAW, Le({0})), S_OK);
    m_scene->SetLensPosition(requested.position + 40);
    m_scene->SetTiltX(-30);
    m_clock->Advance(delay - 1);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(1);
    const Bytes raw = Download();
    ASSERT_EQ(raw.size(), kRawHeaderSize + size_t(m_sensor.width) * m_sensor.height);
    EXPECT_EQ(SamplesOf(raw), RawAt(*m_scene, requested));
    EXPECT_NE(SamplesOf(raw), RawAt(*m_scene, m_scene->CurrentLens()));

    // A JPEG still the same way: the stream decodes to the picture at the request.
    const CSimScene::LensState moved = m_scene->CurrentLens();
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_JPEG,
                  Le({3, DWORD(m_sensor.width) | DWORD(m_sensor.height) << 16})),
              S_OK);
    m_scene->SetLensPosition(requested.position);
    m_clock->Advance(delay);
    const SimBytes jpeg = EncodeSceneJpeg(*m_scene, m_sensor.width, m_sensor.height,
                                          SimFirmwareConfig{}.jpegQuality, moved);
    EXPECT_EQ(Download(), Bytes(jpeg.begin(), jpeg.end()));
}

TEST_F(SimFirmwareTest, ANewRequestReplacesAPendingStillAndItsPostDelay) {
    Make(SmallSensor());
    const int64_t delay = SimFirmwareConfig{}.post_delay_ms;
    const CSimScene::LensState first = m_scene->CurrentLens();
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RAW, Le({0})), S_OK);
    m_clock->Advance(delay / 2);
    m_scene->MoveLens(25);
    const CSimScene::LensState second = m_scene->CurrentLens();
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RAW, Le({0})), S_OK);
    m_clock->Advance(delay - delay / 2);
    EXPECT_EQ(Status()[2] & 1, 0u);  // the first request's time, not the second's
    m_clock->Advance(delay / 2);
    const Bytes raw = Download();
    EXPECT_EQ(SamplesOf(raw), RawAt(*m_scene, second));
    EXPECT_NE(SamplesOf(raw), RawAt(*m_scene, first));

    // A still replaced by a request that is no still: its answer is posted, and the still never.
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RAW, Le({0})), S_OK);
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_CAPABILITIES, {}), S_OK);
    m_clock->Advance(delay - 1);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(1);
    EXPECT_EQ(Status(), (Record{CSimFirmware::kBlockBase, 8, 1}));
    ASSERT_EQ(Acknowledge(Status()), S_OK);
    m_clock->Advance(10 * delay);
    EXPECT_EQ(Status()[2] & 1, 0u);
}

// Whoever lets go last, firmware or still, the scene goes with the last of them and no thread
// outlives what it uses; ThreadSanitizer and AddressSanitizer watch these.
TEST(SimFirmwareLifetimeTest, TheFirmwareGoesWithAStillInFlightAndAChartBeingDrawnAhead) {
    SimFirmwareConfig config;
    config.resolutions = {{640, 480, 0}};
    const auto clock = std::make_shared<CManualSimClock>();
    for (bool bStreamFirst : {false, true}) {
        auto scene = std::make_shared<CSimScene>();
        const std::weak_ptr<CSimScene> watch = scene;
        auto firmware = std::make_unique<CSimFirmware>(clock, std::move(scene), config);
        if (bStreamFirst)
            firmware->OnStreamingStarted();  // starts drawing the still's chart ahead
        Bytes request = Le({0});
        ASSERT_EQ(firmware->Set(VendorPropertySet, VENDOR_PROPERTY_REQUEST_RAW, request.data(), 4,
                                request.data(), 4),
                  S_OK);
        firmware.reset();
        EXPECT_TRUE(watch.expired()) << bStreamFirst;
    }
}

// A chart drawn ahead and finished by the still that needs it is the chart drawn at once.
TEST_F(SimFirmwareTest, AStillTakenWhileItsChartIsDrawnAheadIsTheSamePicture) {
    m_sensor = {640, 480, 0};
    Make(SmallSensor());
    m_firmware->OnStreamingStarted();
    ASSERT_EQ(Set(VENDOR_PROPERTY_REQUEST_RAW, Le({0})), S_OK);
    m_clock->Advance(SimFirmwareConfig{}.post_delay_ms);
    const Bytes raw = Download();
    CSimScene fresh;
    EXPECT_EQ(SamplesOf(raw), RawAt(fresh, m_scene->CurrentLens()));
}

// The end-to-end suite reads these off the screen: the figure at power-up, at best focus and a
// step either side. From well below the start to the end of travel each step changes it.
TEST(SimSceneTest, FocusFigureRisesStepByStepToOnePeakAtFocusAndOverflowsTo0x8000) {
    CSimScene scene;
    EXPECT_EQ(scene.FocusFigureAt(scene.Config().startPosition), 739);
    EXPECT_EQ(scene.FocusFigureAt(619), 19907);
    EXPECT_EQ(scene.FocusFigureAt(620), 19930);
    EXPECT_EQ(scene.FocusFigureAt(621), 19907);
    for (int position = 560; position <= 680; ++position) {
        const LONG before = scene.FocusFigureAt(position - 1), here = scene.FocusFigureAt(position);
        if (position <= 620)
            EXPECT_GT(here, before) << position;
        else
            EXPECT_LT(here, before) << position;
    }
    for (int position : {200, 300, 420})
        EXPECT_GT(scene.FocusFigureAt(position), scene.FocusFigureAt(position - 1)) << position;
    for (int position : {800, 999})
        EXPECT_GT(scene.FocusFigureAt(position), scene.FocusFigureAt(position + 1)) << position;
    SimSceneConfig hot;
    hot.focusGain = 100.0;
    EXPECT_EQ(CSimScene(hot).FocusFigureAt(hot.inFocusPosition), CSimScene::kFocusOverflow);
}

// The marks must fill each corner of a full-size still to the pixel, and stop 78 pixels in,
// for a check of the panned snapshot view to tell a reached corner from a nearly reached one.
TEST(SimSceneTest, RegistrationMarksFillTheCornersOfAFullSizeStillInFocus) {
    CSimScene scene;
    const int w = 2592, h = 1944, stride = w * 3, mark = 78;
    scene.SetLensPosition(scene.Config().inFocusPosition);
    Bytes bgr(size_t(stride) * h);
    scene.RenderBgr(w, h, bgr.data(), stride, false);
    auto at = [&](int x, int y) {
        const BYTE* p = &bgr[size_t(y) * stride + size_t(x) * 3];
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    struct Corner {
        const char* name;
        bool right, bottom;
        std::array<int, 3> bgr;
    };
    const Corner corners[] = {{"top-left red", false, false, {0, 0, 255}},
                              {"top-right green", true, false, {0, 255, 0}},
                              {"bottom-left blue", false, true, {255, 0, 0}},
                              {"bottom-right yellow", true, true, {0, 255, 255}}};
    for (const Corner& c : corners) {
        // Distance `dx`, `dy` in from the corner.
        auto in = [&](int dx, int dy) {
            return at(c.right ? w - 1 - dx : dx, c.bottom ? h - 1 - dy : dy);
        };
        EXPECT_EQ(in(0, 0), c.bgr) << c.name;
        EXPECT_EQ(in(mark - 1, mark - 1), c.bgr) << c.name;
        EXPECT_NE(in(mark, mark / 2), c.bgr) << c.name;
        EXPECT_NE(in(mark / 2, mark), c.bgr) << c.name;
    }
}

TEST(SimSceneTest, BayerSamplesTakeTheChannelOfTheirSite) {
    CSimScene scene;
    const int w = 40, h = 30, stride = w * 3;
    Bytes down(size_t(stride) * h);
    scene.RenderBgr(w, h, down.data(), stride, false);
    // Channel under (even row even column, even odd, odd even, odd odd); 0 blue, 2 red.
    const int channels[4][4] = {{2, 1, 1, 0}, {1, 2, 0, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}};
    Bytes raw(size_t(w) * h);
    for (int phase = 0; phase < 4; ++phase) {
        scene.RenderBayer(w, h, phase, raw.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(raw[y * w + x],
                          down[y * stride + x * 3 + channels[phase][2 * (y & 1) + (x & 1)]])
                    << phase << " " << x << "," << y;
    }
    const auto [lo, hi] = std::minmax_element(raw.begin(), raw.end());
    EXPECT_LT(*lo, 60);  // the chart has both ink and paper
    EXPECT_GT(*hi, 200);
}

}  // namespace

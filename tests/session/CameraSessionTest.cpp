// The session's results beyond what the dialog shows: why a still was not taken, the stream
// or samples handed over beside the image, and a focus read that failed versus one that found
// nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>
#include <vector>

#include "ReferenceDevelop.h"
#include "TestJpegEncoder.h"
#include "fakes/ScriptedCamera.h"
#include "imaging/JpegSnapshot.h"
#include "platform/win/Sleep.h"
#include "session/CameraSession.h"
#include "support/RawStillBlock.h"
#include "support/TempDir.h"

namespace {

class CRecordingFront : public ISessionFront {
public:
    void ShowStatus(const std::string&) override {}
    void ShowMessage(SessionMessage message) override { messages.push_back(message); }
    void StopFocusReadout() override {}
    void PrepareStillView() override { ++prepared; }
    void ShowStill(CStill still) override { stills.push_back(std::move(still)); }

    int prepared = 0;
    std::vector<SessionMessage> messages;
    std::vector<CStill> stills;
};

class CameraSessionTest : public testing::Test {
public:
    void SetUp() override {
        m_oldSleep = SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
        ASSERT_TRUE(session.Prepare());
        auto device = std::make_unique<CCaptureDevice>(ComPtr<IBaseFilter>(camera.filter.Get()));
        device->Channel().m_pClock = camera.clock;
        session.TakeDevice(std::move(device));
        session.SetFront(&front);
    }
    void TearDown() override { SetSleepHook(m_oldSleep); }
    void SetStillSize(WORD width, WORD height) {
        auto& bytes = session.Profile()->m_resolutionTable.bytes;
        bytes[2] = 1;
        bytes[4] = width & 0xFF;
        bytes[5] = width >> 8;
        bytes[6] = height & 0xFF;
        bytes[7] = height >> 8;
    }

    const CTempDir work{CTempDir::kEnter};  // where "Temp.jpg" is written
    CScriptedCamera camera;
    CCameraSession session;
    CRecordingFront front;
    std::vector<DWORD> pauses;

private:
    SleepHook m_oldSleep;
};

using StillResult = CCameraSession::StillResult;

// One way a still fails, and how far the flow got: the request sent, the download reached
// (the pause follows), the block acknowledged, the view made before the conversion.
struct StillCase {
    const char* name;
    bool raw;
    void (*script)(CameraSessionTest& fx);
    StillResult result;
    bool paused;
    bool requested = true;
    bool acknowledged = false;
    bool viewFirst = false;
};

void PrintTo(const StillCase& c, std::ostream* os) {
    *os << c.name;
}

class StillResultTest : public CameraSessionTest, public testing::WithParamInterface<StillCase> {};

TEST_P(StillResultTest, TellsWhyTheStillWasNotTakenAndRestartsThePreview) {
    const StillCase& c = GetParam();
    c.script(*this);
    EXPECT_EQ(session.TakeStill(c.raw ? RawStill() : JpegStill()), c.result);
    EXPECT_TRUE(front.stills.empty());
    // A JPEG still is asked for at entry 0's size (64 x 48), with mode 3; a raw one with 0.
    std::vector<BYTE> jpeg{3, 0, 0, 0, 64, 0, 48, 0};
    jpeg.resize(34);
    EXPECT_EQ(camera.jpegRequests, std::vector(c.requested && !c.raw ? 1 : 0, jpeg));
    EXPECT_EQ(camera.rawRequests, std::vector(c.requested && c.raw ? 1 : 0, std::vector<BYTE>(4)));
    EXPECT_EQ(pauses.size(), c.paused ? 1u : 0u);
    EXPECT_EQ(camera.statusWrites.size(), c.acknowledged ? 1u : 0u);
    EXPECT_EQ(front.prepared, c.viewFirst ? 1 : 0);
    // The restart is tried whatever happened; without a graph it fails at rendering and again
    // at Run.
    EXPECT_TRUE(session.Device()->IsPreviewWanted());
    EXPECT_EQ(front.messages, std::vector(2, SessionMessage::RestartFailed));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillResultTest,
    testing::Values(StillCase{"NoStillSize", false, [](CameraSessionTest&) {},
                              StillResult::NoResolution, false, false},
                    StillCase{"JpegRefused", false,
                              [](CameraSessionTest& fx) {
                                  fx.SetStillSize(64, 48);
                                  fx.camera.refuseRequests = TRUE;
                              },
                              StillResult::Refused, false},
                    StillCase{"RawRefused", true,
                              [](CameraSessionTest& fx) { fx.camera.refuseRequests = TRUE; },
                              StillResult::Refused, false},
                    // Every mailbox read finds nothing and takes 100 ms: the 10 s bound passes.
                    StillCase{"MailboxSilent", true,
                              [](CameraSessionTest& fx) {
                                  fx.camera.call_ms = 100;
                                  fx.camera.statuses.assign(200, DeviceStatus{});
                              },
                              StillResult::TimedOut, true},
                    StillCase{"StatusReadFails", false,
                              [](CameraSessionTest& fx) {
                                  fx.SetStillSize(64, 48);
                                  fx.camera.jpegStill.assign(100, 0x55);
                                  fx.camera.statusFails = TRUE;
                              },
                              StillResult::NotDownloaded, true},
                    StillCase{"PieceReadFails", true,
                              [](CameraSessionTest& fx) {
                                  fx.camera.rawStill = RawStillBlock(300, 200, 0);
                                  fx.camera.failMemoryRead = 2;
                              },
                              StillResult::NotDownloaded, true},
                    StillCase{"JpegUndecodable", false,
                              [](CameraSessionTest& fx) {
                                  fx.SetStillSize(64, 48);
                                  fx.camera.jpegStill.assign(1000, 0x55);
                              },
                              StillResult::NotDecoded, true, true, true, true},
                    StillCase{"RawHeaderWrong", true,
                              [](CameraSessionTest& fx) { fx.camera.rawStill.assign(30, 0); },
                              StillResult::NotDecoded, true, true, true}),
    [](const auto& p) { return std::string(p.param.name); });

// A webcam's frame: stray bytes before its end marker, which take nothing from the picture.
std::vector<BYTE> PaddedJpeg(int width, int height) {
    std::vector<BYTE> stream = EncodeTestJpeg(width, height, {}, [width](int y, BYTE* row) {
        for (int x = 0; x < width * 3; ++x)
            row[x] = BYTE(x + 3 * y);
    });
    stream.insert(stream.end() - 2, {0x00, 0x00, 0x5A, 0x17});
    return stream;
}

TEST_F(CameraSessionTest, AJpegStillCarriesTheCamerasStreamByteForByte) {
    SetStillSize(64, 48);
    camera.jpegStill = PaddedJpeg(64, 48);
    // Not a multiple of 4, so the download reads bytes past the stream's end.
    while (camera.jpegStill.size() % 4 != 1)
        camera.jpegStill.push_back(0);
    EXPECT_EQ(session.TakeStill(JpegStill()), StillResult::Shown);
    ASSERT_EQ(front.stills.size(), 1u);
    const CStill& still = front.stills[0];
    EXPECT_EQ(std::pair(still.width, still.height), std::pair(64, 48));
    ASSERT_TRUE(still.image);
    EXPECT_EQ(still.source.pKind, &JpegStill());
    EXPECT_EQ(still.source.offset, 0u);
    ASSERT_EQ(still.source.length, camera.jpegStill.size());
    EXPECT_EQ(std::memcmp(still.source.Data(), camera.jpegStill.data(), still.source.length), 0);
}

TEST_F(CameraSessionTest, AJpegStillWhoseFileCannotBeWrittenSaysSoAndWhy) {
    std::filesystem::create_directory(kJpegTempFileName);
    SetStillSize(64, 48);
    camera.jpegStill = PaddedJpeg(64, 48);
    EXPECT_EQ(session.TakeStill(JpegStill()), StillResult::NotWritten);
    EXPECT_EQ(session.StillFailureReason(), "Temp.jpg: Is a directory");
    EXPECT_TRUE(front.stills.empty());
    EXPECT_EQ(pauses.size(), 1u);
}

// A still of several pieces is developed while it downloads; the picture is the reference's.
TEST_F(CameraSessionTest, ARawStillCarriesItsSamplesAndPhaseAsTheyCame) {
    for (const auto& [width, height, phase] : {std::tuple{6, 4, 0}, {300, 200, 3}}) {
        SCOPED_TRACE(phase);
        front.stills.clear();
        camera.rawStill = RawStillBlock(width, height, phase);
        EXPECT_EQ(session.TakeStill(RawStill()), StillResult::Shown);
        ASSERT_EQ(front.stills.size(), 1u);
        const CStill& still = front.stills[0];
        const CStillSource& source = still.source;
        EXPECT_EQ(source.pKind, &RawStill());
        EXPECT_EQ(source.phase, phase);
        EXPECT_EQ(source.offset, 20u);
        const size_t samples = size_t(width) * size_t(height);
        ASSERT_EQ(source.length, samples);
        EXPECT_EQ(std::memcmp(source.Data(), camera.rawStill.data() + 20, samples), 0);
        std::vector<BYTE> expected(3 * samples);
        reference::Develop(camera.rawStill.data() + 20, width, height, phase, expected.data());
        ASSERT_EQ(std::tuple(still.width, still.height), std::tuple(width, height));
        EXPECT_EQ(std::memcmp(still.image.get(), expected.data(), expected.size()), 0);
    }
}

TEST_F(CameraSessionTest, AFocusReadTellsAFailureFromAnEmptyMailbox) {
    LONG value = 0;
    camera.PostFocus(0x8000, 0);  // not ready
    EXPECT_EQ(session.PollFocus(value), CCameraSession::FocusPoll::Nothing);
    camera.PostFocus(1234);
    EXPECT_EQ(session.PollFocus(value), CCameraSession::FocusPoll::Figure);
    EXPECT_EQ(value, 1234);
    EXPECT_EQ(camera.statusWrites.size(), 1u);
    camera.PostFocus(99);
    camera.statusFails = TRUE;
    EXPECT_EQ(session.PollFocus(value), CCameraSession::FocusPoll::Failed);
    EXPECT_FALSE(session.ReadFocus(value));
    EXPECT_EQ(value, 1234);

    EXPECT_TRUE(session.CameraAnswers());
    camera.states = {CScriptedCamera::kStateReadFails};
    EXPECT_FALSE(session.CameraAnswers());
    session.TakeDevice(nullptr);
    EXPECT_EQ(session.PollFocus(value), CCameraSession::FocusPoll::Failed);
    EXPECT_FALSE(session.CameraAnswers());
}

}  // namespace

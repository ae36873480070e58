// What the capture layer logs: a camera that is not there, and the failing graph step with the
// platform's status.
#include "CaptureFixture.h"
#include "capture/CaptureLog.h"
#include "fakes/RecordingLogSink.h"

namespace {

class CaptureLogTest : public CaptureFixture {
protected:
    int Warnings(std::initializer_list<std::string_view> parts) const {
        return m_log.Count(kLogCapture, LogLevel::Warning, parts);
    }

    CRecordingLogSink m_log;
};

TEST_F(CaptureLogTest, TheFailingStepIsWarnedWithThePlatformsStatus) {
    EXPECT_FALSE(m_device->Connect());  // an empty category
    EXPECT_EQ(Warnings({"no video input device at all: 0x00000001"}), 1);
    m_world->AddDevice("USB Video Device", "Other");
    EXPECT_FALSE(m_device->Connect());
    EXPECT_EQ(Warnings({"no video input device named \"Standard_Camera\" among 1"}), 1);
    EXPECT_EQ(m_log.Count(kLogCapture, LogLevel::Debug, {"\"USB Video Device\", not the camera"}),
              1);

    AddCamera();
    m_world->Script("Graph.AddFilter(Camera)", S_FALSE, true);
    EXPECT_FALSE(m_device->Connect());
    EXPECT_EQ(Warnings({"BuildGraph: AddFilter of the camera: 0x00000001"}), 1);

    ASSERT_TRUE(m_device->Connect());
    ASSERT_TRUE(m_device->RenderPreview());
    m_world->Script("Graph.Run", E_FAIL, true);
    EXPECT_FALSE(m_device->Run());
    EXPECT_EQ(Warnings({"Run: IMediaControl::Run: 0x80004005"}), 1);
    m_world->Script("Camera.Capture.SetFormat", E_FAIL, true);
    EXPECT_FALSE(m_device->SelectFormat(kMjpg, 640, 480, 1));
    EXPECT_EQ(Warnings({"SetFormat of 640 x 480 at 10000000 x 100 ns: 0x80004005"}), 1);
}

}  // namespace

#include "CaptureFixture.h"

namespace {

using FindCaptureDeviceTest = CaptureFixture;

TEST_F(FindCaptureDeviceTest, TheFirstDeviceOfExactlyThatNameIsBoundUntilABindFails) {
    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));  // an empty category
    for (const char* other :
         {"USB Video Device", "standard_camera", "Standard_Camera ", "Standard_Camer"})
        m_world->AddDevice(other, "Other");
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));

    const auto first = m_world->AddDevice("Standard_Camera", "First");
    m_world->AddDevice("Standard_Camera", "Second");
    ASSERT_TRUE(FindCaptureDevice(kCameraName, found));
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(first.Get()));
    m_world->Script("Bind(First)", E_FAIL);  // a failed bind ends the search
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));
    EXPECT_EQ(m_world->CountOf("Bind(Other)") + m_world->CountOf("Bind(Second)"), 0);
}

TEST_F(FindCaptureDeviceTest, ANameMustFitEightyBytesWholeToMatch) {
    const std::string tooLong(80, 'y');  // with its terminating zero, one byte over the buffer
    m_world->AddDevice(tooLong, "TooLong");
    const auto fits = m_world->AddDevice(tooLong.substr(0, 79), "Fits");  // fills it exactly
    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(tooLong.c_str(), found));
    ASSERT_TRUE(FindCaptureDevice(tooLong.substr(0, 79).c_str(), found));  // not the one cut short
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(fits.Get()));
}

}  // namespace

#include <string>

#include "capture/CaptureFixture.h"

namespace {

class FindCaptureDeviceTest : public CaptureFixture {
protected:
    ComPtr<CFakeFilter> AddNamed(const std::wstring& name, const std::string& filterName) {
        auto filter = MakeComObject<CFakeFilter>(filterName);
        m_world->AddDevice(name, ComPtr<IBaseFilter>(filter.Get()));
        return filter;
    }
    bool IsFilter(const ComPtr<IBaseFilter>& found, const ComPtr<CFakeFilter>& expected) {
        return found.Get() == static_cast<IBaseFilter*>(expected.Get());
    }
};

TEST_F(FindCaptureDeviceTest, TheFirstDeviceOfThatNameWins) {
    AddNamed(L"USB Video Device", "Other");
    auto first = AddNamed(L"Standard_Camera", "First");
    AddNamed(L"Standard_Camera", "Second");

    ComPtr<IBaseFilter> found;
    ASSERT_TRUE(FindCaptureDevice(kCameraName, found));
    EXPECT_TRUE(IsFilter(found, first));
    EXPECT_EQ(m_world->CountOf("Moniker0.BindToObject"), 0);
    EXPECT_EQ(m_world->CountOf("Moniker1.BindToObject"), 1);
    EXPECT_EQ(m_world->CountOf("Moniker2.BindToStorage"), 0);  // never looked at
}

TEST_F(FindCaptureDeviceTest, TheNameMatchesWholeAndCaseSensitively) {
    AddNamed(L"standard_camera", "Lower");
    AddNamed(L"Standard_Camera ", "Trailing");
    AddNamed(L"Standard_Camer", "Short");

    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));
    EXPECT_FALSE(found);
    EXPECT_EQ(m_world->CountOf("Moniker2.Read"), 1);  // every device was read
    for (const char* bind :
         {"Moniker0.BindToObject", "Moniker1.BindToObject", "Moniker2.BindToObject"}) {
        EXPECT_EQ(m_world->CountOf(bind), 0) << bind;
    }
}

TEST_F(FindCaptureDeviceTest, AnEmptyCategoryOrNoEnumeratorFindsNothing) {
    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));  // S_FALSE: no device
    EXPECT_EQ(m_world->CountOf("DevEnum.CreateClassEnumerator"), 1);

    AddNamed(L"Standard_Camera", "Camera");
    m_world->ScriptOnce("CoCreate.SystemDeviceEnum", REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));
    m_world->ScriptOnce("DevEnum.CreateClassEnumerator", E_OUTOFMEMORY);
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));
    EXPECT_FALSE(found);
    EXPECT_TRUE(FindCaptureDevice(kCameraName, found));
}

TEST_F(FindCaptureDeviceTest, ADeviceWhoseNameCannotBeReadIsSkipped) {
    AddNamed(L"Standard_Camera", "NoBag");
    AddNamed(L"Standard_Camera", "NoName");
    auto third = AddNamed(L"Standard_Camera", "Third");
    m_world->Script("Moniker0.BindToStorage", E_FAIL);
    m_world->Script("Moniker1.Read", E_FAIL);

    ComPtr<IBaseFilter> found;
    ASSERT_TRUE(FindCaptureDevice(kCameraName, found));
    EXPECT_TRUE(IsFilter(found, third));
}

TEST_F(FindCaptureDeviceTest, AFailedBindEndsTheSearch) {
    AddNamed(L"Standard_Camera", "Broken");
    AddNamed(L"Standard_Camera", "Good");
    m_world->Script("Moniker0.BindToObject", E_FAIL);

    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(kCameraName, found));
    EXPECT_FALSE(found);
    EXPECT_EQ(m_world->CountOf("Moniker1.BindToStorage"), 0);
}

TEST_F(FindCaptureDeviceTest, ANameOfEightyBytesOrMoreNeverMatches) {
    const std::string fits(79, 'x');  // 79 bytes and the terminating zero fill the buffer
    const std::string tooLong(80, 'y');
    auto fitting = AddNamed(std::wstring(fits.begin(), fits.end()), "Fits");
    AddNamed(std::wstring(tooLong.begin(), tooLong.end()), "TooLong");

    ComPtr<IBaseFilter> found;
    EXPECT_FALSE(FindCaptureDevice(tooLong.c_str(), found));
    EXPECT_FALSE(FindCaptureDevice(tooLong.substr(0, 79).c_str(), found));  // no truncation
    ASSERT_TRUE(FindCaptureDevice(fits.c_str(), found));
    EXPECT_TRUE(IsFilter(found, fitting));
}

}  // namespace

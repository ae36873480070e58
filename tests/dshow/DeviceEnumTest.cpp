#include <string>
#include <vector>

#include "fakes/TestSource.h"
#include "platform/dshow/DeviceRegistry.h"
#include "support/CreateInstance.h"
#include "support/LeakCheck.h"

namespace {

class DeviceEnumTest : public LeakCheckedTest {
protected:
    void TearDown() override { ClearVideoInputDevices(); }

    // The monikers of the video input devices, in order. Other categories are always empty.
    static std::vector<ComPtr<IMoniker>> Devices(HRESULT expected = S_OK) {
        const auto devEnum = CreateInstance<ICreateDevEnum>(CLSID_SystemDeviceEnum);
        ComPtr<IEnumMoniker> e;
        EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_FilterGraph, e.ReleaseAndGetAddressOf(), 0),
                  S_FALSE);
        EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                 e.ReleaseAndGetAddressOf(), 0),
                  expected);
        std::vector<ComPtr<IMoniker>> monikers;
        for (ComPtr<IMoniker> m; e && e->Next(1, m.ReleaseAndGetAddressOf(), nullptr) == S_OK;)
            monikers.push_back(m);
        return monikers;
    }

    static std::string FriendlyName(IMoniker* moniker) {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         bag.ReleaseAndGetVoidAddress()),
                  S_OK);
        VARIANT var;
        VariantInit(&var);
        EXPECT_EQ(bag->Read(L"FriendlyName", &var, nullptr), S_OK);
        char name[80] = {};
        WideCharToMultiByte(CP_ACP, 0, var.bstrVal, -1, name, sizeof name, nullptr, nullptr);
        VariantClear(&var);
        return name;
    }
};

TEST_F(DeviceEnumTest, ListsExactNamesInOrderAndBindsANewFilterEachTime) {
    ClearVideoInputDevices();
    EXPECT_TRUE(Devices(S_FALSE).empty());
    int created = 0;
    const VideoDeviceCreator creator = [&created](IBaseFilter** pp) {
        ++created;
        *pp = MakeComObject<CTestSource>(false).Detach();
        return S_OK;
    };
    RegisterVideoInputDevice("Standard_Camera", creator);
    const DWORD second = RegisterVideoInputDevice("standard_camera ", creator);
    RegisterVideoInputDevice("Kamera \xC3\xA9", creator);
    std::vector<std::string> names;
    for (const auto& moniker : Devices())
        names.push_back(FriendlyName(moniker.Get()));
    EXPECT_EQ(names,
              (std::vector<std::string>{"Standard_Camera", "standard_camera ", "Kamera \xC3\xA9"}));
    EXPECT_EQ(created, 0) << "naming a device must not create its filter";
    UnregisterVideoInputDevice(second);
    const auto monikers = Devices();
    EXPECT_EQ(monikers.size(), 2u);

    ClearVideoInputDevices();  // a moniker keeps working after its device is unregistered
    ComPtr<IBaseFilter> first, again;
    ComPtr<IMediaControl> wrong;
    IMoniker* camera = monikers.front().Get();
    EXPECT_EQ(
        camera->BindToObject(nullptr, nullptr, IID_IBaseFilter, first.ReleaseAndGetVoidAddress()),
        S_OK);
    EXPECT_EQ(
        camera->BindToObject(nullptr, nullptr, IID_IBaseFilter, again.ReleaseAndGetVoidAddress()),
        S_OK);
    EXPECT_NE(first.Get(), again.Get());
    EXPECT_EQ(created, 2);
    EXPECT_EQ(
        camera->BindToObject(nullptr, nullptr, IID_IMediaControl, wrong.ReleaseAndGetVoidAddress()),
        E_NOINTERFACE);
    EXPECT_FALSE(wrong);
}

}  // namespace

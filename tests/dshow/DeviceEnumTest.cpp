#include <string>
#include <vector>

#include "LeakCheck.h"
#include "TestSource.h"
#include "platform/dshow/DeviceRegistry.h"

namespace {

class DeviceEnumTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        ClearVideoInputDevices();
        LeakCheckedTest::SetUp();
    }
    void TearDown() override {
        ClearVideoInputDevices();
        LeakCheckedTest::TearDown();
    }

    static HRESULT Enumerate(ComPtr<IEnumMoniker>& e) {
        ComPtr<ICreateDevEnum> devEnum;
        EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICreateDevEnum, devEnum.ReleaseAndGetVoidAddress()),
                  S_OK);
        return devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                              e.ReleaseAndGetAddressOf(), 0);
    }

    static std::string FriendlyName(IMoniker* moniker) {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         bag.ReleaseAndGetVoidAddress()),
                  S_OK);
        VARIANT var;
        VariantInit(&var);
        var.vt = VT_BSTR;
        EXPECT_EQ(bag->Read(L"FriendlyName", &var, nullptr), S_OK);
        EXPECT_EQ(var.vt, VT_BSTR);
        char name[80] = {};
        WideCharToMultiByte(CP_ACP, 0, var.bstrVal, -1, name, sizeof name, nullptr, nullptr);
        VariantClear(&var);
        return name;
    }

    static VideoDeviceCreator Creator(int* calls) {
        return [calls](IBaseFilter** pp) {
            ++*calls;
            *pp = MakeTestSource(false).Detach();
            return S_OK;
        };
    }
};

TEST_F(DeviceEnumTest, EmptyCategoryAnswersSFalseWithNoEnumerator) {
    ComPtr<IEnumMoniker> e;
    EXPECT_EQ(Enumerate(e), S_FALSE);
    EXPECT_FALSE(e);

    // Another category is empty even while video devices exist.
    int calls = 0;
    RegisterVideoInputDevice("Standard_Camera", Creator(&calls));
    ComPtr<ICreateDevEnum> devEnum;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, devEnum.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(devEnum->CreateClassEnumerator(CLSID_FilterGraph, e.ReleaseAndGetAddressOf(), 0),
              S_FALSE);
    EXPECT_FALSE(e);
}

TEST_F(DeviceEnumTest, ListsDevicesInRegistrationOrderWithExactNames) {
    int calls = 0;
    RegisterVideoInputDevice("Standard_Camera", Creator(&calls));
    const DWORD second = RegisterVideoInputDevice("standard_camera ", Creator(&calls));
    RegisterVideoInputDevice("Kamera \xC3\xA9", Creator(&calls));

    ComPtr<IEnumMoniker> e;
    ASSERT_EQ(Enumerate(e), S_OK);
    std::vector<std::string> names;
    ComPtr<IMoniker> moniker;
    e->Reset();
    while (e->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        names.push_back(FriendlyName(moniker.Get()));
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"Standard_Camera", "standard_camera ", "Kamera \xC3\xA9"}));
    EXPECT_EQ(calls, 0) << "naming a device must not create its filter";

    // Asking for more than is left fetches the rest and says so.
    e->Reset();
    IMoniker* batch[4] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(4, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u);
    for (ULONG i = 0; i < fetched; ++i)
        batch[i]->Release();

    // Later enumerations no longer list an unregistered device.
    UnregisterVideoInputDevice(second);
    ASSERT_EQ(Enumerate(e), S_OK);
    ULONG count = 0;
    while (e->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK)
        ++count;
    EXPECT_EQ(count, 2u);
}

TEST_F(DeviceEnumTest, BindToObjectMakesANewFilterEachTime) {
    int calls = 0;
    RegisterVideoInputDevice("Standard_Camera", Creator(&calls));
    ComPtr<IEnumMoniker> e;
    ASSERT_EQ(Enumerate(e), S_OK);
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(e->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr), S_OK);
    e = nullptr;
    // The moniker keeps working after its device is unregistered.
    ClearVideoInputDevices();

    ComPtr<IBaseFilter> first;
    ComPtr<IBaseFilter> second;
    ASSERT_EQ(
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, first.ReleaseAndGetVoidAddress()),
        S_OK);
    ASSERT_EQ(
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, second.ReleaseAndGetVoidAddress()),
        S_OK);
    EXPECT_EQ(calls, 2);
    EXPECT_NE(first.Get(), second.Get());

    ComPtr<IMediaControl> wrong;
    EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IMediaControl,
                                    wrong.ReleaseAndGetVoidAddress()),
              E_NOINTERFACE);
    EXPECT_FALSE(wrong);
}

TEST_F(DeviceEnumTest, FailingCreatorAndUnknownPropertyAreReported) {
    RegisterVideoInputDevice("Broken", [](IBaseFilter** pp) {
        *pp = nullptr;
        return E_OUTOFMEMORY;
    });
    ComPtr<IEnumMoniker> e;
    ASSERT_EQ(Enumerate(e), S_OK);
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(e->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
        E_OUTOFMEMORY);

    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(
        moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()),
        S_OK);
    VARIANT var;
    VariantInit(&var);
    EXPECT_EQ(bag->Read(L"DevicePath", &var, nullptr), E_INVALIDARG);
    EXPECT_EQ(var.vt, VT_EMPTY);
}

}  // namespace

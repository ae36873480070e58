#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"

namespace {

struct IThing : IUnknown {
    static constexpr IID kIid{0x44444444, 4, 4, {4, 4, 4, 4, 4, 4, 4, 4}};
};
constexpr CLSID kClsidThing{0x55555555, 5, 5, {5, 5, 5, 5, 5, 5, 5, 5}};

class CThing : public CComObject<IThing> {};

HRESULT CreateThing(REFIID riid, void** ppv) {
    auto thing = MakeComObject<CThing>();
    return thing->QueryInterface(riid, ppv);
}

TEST(RuntimeTest, CoInitializeNestsAndTaskMemoryIsCounted) {
    const int depth = CoInitializeDepth();
    EXPECT_EQ(CoInitialize(nullptr), depth == 0 ? S_OK : S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeDepth(), depth);

    const long outstanding = CoTaskMemOutstanding();
    void* p = CoTaskMemAlloc(16);
    EXPECT_EQ(CoTaskMemOutstanding(), outstanding + 1);
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
    EXPECT_EQ(CoTaskMemOutstanding(), outstanding);
}

TEST(RuntimeTest, CoCreateInstanceUsesTheClassTable) {
    const long live = ComLiveObjectCount();
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kClsidThing, nullptr, CLSCTX_INPROC_SERVER, IThing::kIid, &pv),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(pv, nullptr);

    CoRegisterClass(kClsidThing, &CreateThing);
    ComPtr<IThing> thing;
    EXPECT_EQ(CoCreateInstance(kClsidThing, nullptr, CLSCTX_INPROC, IThing::kIid,
                               thing.ReleaseAndGetVoidAddress()),
              S_OK);
    ComPtr<IThing> aggregated;
    EXPECT_EQ(CoCreateInstance(kClsidThing, thing.Get(), CLSCTX_INPROC, IThing::kIid,
                               aggregated.ReleaseAndGetVoidAddress()),
              CLASS_E_NOAGGREGATION);
    ComPtr<IUnknown> wrongInterface;
    EXPECT_EQ(CoCreateInstance(kClsidThing, nullptr, CLSCTX_INPROC, GUID{},
                               wrongInterface.ReleaseAndGetVoidAddress()),
              E_NOINTERFACE);
    thing.Reset();
    CoRevokeClass(kClsidThing);
    EXPECT_EQ(ComLiveObjectCount(), live);
}

TEST(RuntimeTest, BstrKeepsItsLengthAndConvertsToUtf8) {
    BSTR name = SysAllocStringFromUtf8("Standard_Camera \xC3\xA9");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(SysStringLen(name), 17u);

    char buffer[80];
    const int written =
        WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, sizeof buffer, nullptr, nullptr);
    EXPECT_EQ(written, 19);  // 16 ASCII + 2 bytes of e-acute + terminating zero
    EXPECT_STREQ(buffer, "Standard_Camera \xC3\xA9");

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, 8, nullptr, nullptr), 0);
    SysFreeString(name);
    SysFreeString(nullptr);
}

}  // namespace

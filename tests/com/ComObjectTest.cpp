#include <gtest/gtest.h>

#include "platform/com/ComObject.h"
#include "platform/com/Guid.h"
#include "support/LeakCheck.h"

namespace {

struct IAlpha : IUnknown {
    static constexpr IID kIid{0x11111111, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};
};
struct IBeta : IUnknown {
    static constexpr IID kIid{0x22222222, 2, 2, {2, 2, 2, 2, 2, 2, 2, 2}};
    virtual int Beta() = 0;
};
struct IGamma : IUnknown {
    static constexpr IID kIid{0x33333333, 3, 3, {3, 3, 3, 3, 3, 3, 3, 3}};
};
class CAlphaBeta : public CComObject<IAlpha, IBeta> {
    int Beta() override { return 2; }
};

using ComObjectTest = LeakCheckedTest;

TEST_F(ComObjectTest, OffersItsInterfacesUnderOneIdentityAndRefusesOthers) {
    auto object = MakeComObject<CAlphaBeta>();
    ComPtr<IAlpha> alpha;
    ComPtr<IBeta> beta;
    ASSERT_EQ(object.As(alpha), S_OK);
    ASSERT_EQ(object.As(beta), S_OK);
    EXPECT_EQ(beta->Beta(), 2);  // the pointer handed out is the IBeta part of the object
    ComPtr<IUnknown> fromAlpha, fromBeta;
    ASSERT_EQ(alpha.As(fromAlpha), S_OK);
    ASSERT_EQ(beta.As(fromBeta), S_OK);
    EXPECT_EQ(fromAlpha.Get(), fromBeta.Get());
    ComPtr<IGamma> gamma;
    EXPECT_EQ(object.As(gamma), E_NOINTERFACE);
    EXPECT_FALSE(gamma);
    EXPECT_EQ(object->QueryInterface(IAlpha::kIid, nullptr), E_POINTER);
}

TEST_F(ComObjectTest, ComPtrCountsItsReferencesAndTheLastReleaseDestroys) {
    auto object = MakeComObject<CAlphaBeta>();
    EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart + 1);
    ComPtr<CAlphaBeta> copy = object;
    EXPECT_EQ(copy->AddRef(), 3u);
    copy->Release();
    ComPtr<CAlphaBeta> moved = std::move(copy);
    EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    CAlphaBeta* detached = moved.Detach();
    EXPECT_FALSE(moved);
    ComPtr<CAlphaBeta> adopted;
    adopted.Attach(detached);  // adopts without adding a reference
    EXPECT_EQ(detached->AddRef(), 3u);
    detached->Release();
    adopted = nullptr;
    object.Reset();
    EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart);
}

TEST(GuidTest, ParsesAndPrintsTheRegistryFormAndRejectsMalformedText) {
    constexpr GUID kVendor{
        0xFA4BB022, 0xCB5C, 0x44A2, {0x80, 0xB8, 0x19, 0xED, 0x4A, 0x51, 0x4A, 0x4A}};
    EXPECT_EQ(GuidFromString("{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A}"), kVendor);
    EXPECT_EQ(GuidFromString("fa4bb022-cb5c-44a2-80b8-19ed4a514a4a"), kVendor);
    EXPECT_EQ(GuidToString(kVendor), "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A}");
    for (const char* bad :
         {"", "{}", "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A",
          "{FA4BB022CB5C-44A2-80B8-19ED4A514A4A0}", "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4G}",
          "{FA4BB022-CB5C-44A2-80B819ED4A514A4A-}"}) {
        EXPECT_FALSE(GuidFromString(bad)) << bad;
    }
}

}  // namespace

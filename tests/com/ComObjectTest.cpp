#include <gtest/gtest.h>

#include "platform/com/ComObject.h"

namespace {

struct IAlpha : IUnknown {
    static constexpr IID kIid{0x11111111, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};
    virtual int Alpha() = 0;
};
struct IBeta : IUnknown {
    static constexpr IID kIid{0x22222222, 2, 2, {2, 2, 2, 2, 2, 2, 2, 2}};
    virtual int Beta() = 0;
};
struct IGamma : IUnknown {
    static constexpr IID kIid{0x33333333, 3, 3, {3, 3, 3, 3, 3, 3, 3, 3}};
};

class CAlphaBeta : public CComObject<IAlpha, IBeta> {
public:
    int Alpha() override { return 1; }
    int Beta() override { return 2; }
};

class ComObjectTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(ComLiveObjectCount(), m_liveBefore); }
    long m_liveBefore = ComLiveObjectCount();
};

TEST_F(ComObjectTest, OffersEveryListedInterfaceAndRefusesOthers) {
    auto object = MakeComObject<CAlphaBeta>();
    EXPECT_EQ(ComLiveObjectCount(), m_liveBefore + 1);

    ComPtr<IBeta> beta;
    ASSERT_EQ(object.As(beta), S_OK);
    EXPECT_EQ(beta->Beta(), 2);

    ComPtr<IGamma> gamma;
    EXPECT_EQ(object.As(gamma), E_NOINTERFACE);
    EXPECT_FALSE(gamma);

    EXPECT_EQ(object->QueryInterface(IAlpha::kIid, nullptr), E_POINTER);
}

TEST_F(ComObjectTest, IUnknownIdentityIsTheSameFromEveryInterface) {
    auto object = MakeComObject<CAlphaBeta>();
    ComPtr<IAlpha> alpha;
    ComPtr<IBeta> beta;
    ASSERT_EQ(object.As(alpha), S_OK);
    ASSERT_EQ(object.As(beta), S_OK);
    ComPtr<IUnknown> fromAlpha, fromBeta;
    ASSERT_EQ(alpha.As(fromAlpha), S_OK);
    ASSERT_EQ(beta.As(fromBeta), S_OK);
    EXPECT_EQ(fromAlpha.Get(), fromBeta.Get());
}

TEST_F(ComObjectTest, LastReleaseDestroysTheObject) {
    IAlpha* raw = nullptr;
    {
        auto object = MakeComObject<CAlphaBeta>();
        EXPECT_EQ(object->AddRef(), 2u);
        raw = object.Get();
    }
    EXPECT_EQ(ComLiveObjectCount(), m_liveBefore + 1);  // the extra reference keeps it alive
    EXPECT_EQ(raw->Release(), 0u);
}

TEST_F(ComObjectTest, ComPtrCopiesMovesDetachesAndAttaches) {
    auto object = MakeComObject<CAlphaBeta>();
    ComPtr<CAlphaBeta> copy = object;
    EXPECT_EQ(copy->AddRef(), 3u);
    copy->Release();

    ComPtr<CAlphaBeta> moved = std::move(copy);
    EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    EXPECT_TRUE(moved);

    CAlphaBeta* detached = moved.Detach();
    EXPECT_FALSE(moved);
    ComPtr<CAlphaBeta> adopted;
    adopted.Attach(detached);  // adopts without adding a reference
    EXPECT_EQ(detached->AddRef(), 3u);
    detached->Release();

    adopted = nullptr;
    object.Reset();
}

}  // namespace

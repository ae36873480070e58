#include <gtest/gtest.h>

#include "platform/com/Guid.h"

namespace {

constexpr GUID kVendor{0xFA4BB022, 0xCB5C, 0x44A2, {0x80, 0xB8, 0x19, 0xED, 0x4A, 0x51, 0x4A, 0x4A}};

TEST(GuidTest, ParsesAndPrintsTheRegistryForm) {
    const auto parsed = GuidFromString("{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A}");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, kVendor);
    EXPECT_EQ(GuidToString(kVendor), "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A}");
    EXPECT_EQ(GuidFromString("fa4bb022-cb5c-44a2-80b8-19ed4a514a4a"), kVendor);
}

TEST(GuidTest, RejectsMalformedText) {
    for (const char* bad : {"", "{}", "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A",
                            "{FA4BB022CB5C-44A2-80B8-19ED4A514A4A0}",
                            "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4G}",
                            "{FA4BB022-CB5C-44A2-80B819ED4A514A4A-}"}) {
        EXPECT_FALSE(GuidFromString(bad)) << bad;
    }
}

}  // namespace

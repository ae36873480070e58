#include <gtest/gtest.h>

#include "device/DeviceStatus.h"
#include "device/ResolutionTable.h"
#include "device/SnapshotRequest.h"

namespace {

using Bytes = std::vector<BYTE>;

TEST(WireLayoutTest, DeviceStatusIsThreeLittleEndianWords) {
    const DeviceStatus status{0x04030201, 0x80706050, 0x00000001};
    const auto bytes = status.ToBytes();
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()),
              (Bytes{0x01, 0x02, 0x03, 0x04, 0x50, 0x60, 0x70, 0x80, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DeviceStatus::FromBytes(bytes), status);
    EXPECT_TRUE(status.IsReady());
    // Only bit 0 says ready.
    EXPECT_FALSE((DeviceStatus{0, 0, 0xFFFFFFFE}).IsReady());
}

TEST(WireLayoutTest, SnapshotRequestCarriesModeAndSizeThenZeros) {
    SnapshotRequest request;
    request.width = 2592;
    request.height = 1944;
    const auto bytes = request.ToBytes();
    Bytes expected(34, 0);
    expected[0] = 3;
    expected[4] = 0x20;  // 2592 = 0x0A20
    expected[5] = 0x0A;
    expected[6] = 0x98;  // 1944 = 0x0798
    expected[7] = 0x07;
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);
}

}  // namespace

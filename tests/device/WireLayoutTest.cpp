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

TEST(WireLayoutTest, ResolutionTableReadsCountAndSixByteEntries) {
    ResolutionTable table;
    const Bytes posted = {0xAA, 0xBB, 0x02, 0x00,               // unread, count 2
                          0x20, 0x0A, 0x98, 0x07, 0x34, 0x12,   // 2592 x 1944, 0x1234
                          0x80, 0x02, 0xE0, 0x01, 0x00, 0x80};  // 640 x 480, 0x8000
    std::copy(posted.begin(), posted.end(), table.bytes.begin());
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.Entry(0), (ResolutionEntry{2592, 1944, 0x1234}));
    EXPECT_EQ(table.Entry(1), (ResolutionEntry{640, 480, 0x8000}));
    table.bytes[33] = 0x01;  // high byte of entry 4's third field
    EXPECT_EQ(table.Entry(4).reserved, 0x0100);
}

}  // namespace

#include <gtest/gtest.h>

#include "device/BlockLimit.h"
#include "device/MailboxTransfer.h"
#include "fakes/ScriptedCamera.h"
#include "support/LeakCheck.h"

namespace {

using Reads = std::vector<std::pair<DWORD, DWORD>>;
constexpr DWORD kAddress = 0x00400000;
constexpr int64_t kBound_ms = 30;

// The (address, length) of every memory read, from the id-1 selections.
Reads MemoryReads(const CScriptedCamera& camera) {
    Reads out;
    for (const auto& call : camera.TransfersOf(VENDOR_PROPERTY_MEMORY_RANGE))
        out.emplace_back(CScriptedCamera::Le32(&call.bytes[0]),
                         CScriptedCamera::Le32(&call.bytes[4]));
    return out;
}

class MailboxTransferTest : public LeakCheckedTest {
protected:
    CScriptedCamera m_camera;
    std::unique_ptr<BYTE[]> m_buffer;
    LONG m_size = -1;
    DeviceStatus m_status{1, 2, 3};
};

TEST_F(MailboxTransferTest, WaitPollsUntilReadyAndGivesUpOnAFailedReadOrTheBound) {
    m_camera.statuses = {{5, 6, 0}, {5, 6, 2}, {7, 8, 3}};
    ASSERT_TRUE(WaitForMailbox(m_camera.channel, m_status, kBound_ms));
    EXPECT_EQ(m_status, (DeviceStatus{7, 8, 3}));
    EXPECT_EQ(m_camera.TransfersOf(VENDOR_PROPERTY_STATUS).size(), 3u);

    m_camera.statuses = {{5, 6, 0}};
    m_status = {};
    EXPECT_FALSE(WaitForMailbox(m_camera.channel, m_status, kBound_ms));
    EXPECT_EQ(m_status, DeviceStatus{});
    // Back to back on the camera's time: one read per millisecond it takes to answer.
    EXPECT_EQ(m_camera.TransfersOf(VENDOR_PROPERTY_STATUS).size(), 3u + kBound_ms);
    m_camera.statuses = {CScriptedCamera::Ready(0, 4)};
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(WaitForMailbox(m_camera.channel, m_status, 5000));  // at once, not at the bound
}

TEST_F(MailboxTransferTest, RoundedSizeIsSignedAndRefusesNothingAndOverflow) {
    const std::pair<DWORD, LONG> cases[] = {{5, 8}, {8, 8},          {0x7FFFFFFC, 0x7FFFFFFC},
                                            {0, 0}, {0x7FFFFFFD, 0}, {0xFFFFFFFE, 0}};
    for (auto [length, size] : cases)
        EXPECT_EQ(std::max(RoundedBlockSize(length), 0), size) << length;
}

TEST_F(MailboxTransferTest, DownloadReadsPiecesWithTheAddressAdvancedAndAcknowledges) {
    const struct {
        DWORD length;
        Reads reads;
        DWORD ackAddress;
    } cases[] = {{5, {{kAddress, 8}}, kAddress},
                 {0x8000, {{kAddress, 0x8000}}, kAddress + 0x8000},
                 {0x8001, {{kAddress, 0x8000}, {kAddress + 0x8000, 4}}, kAddress + 0x8000},
                 {0x18000,
                  {{kAddress, 0x8000}, {kAddress + 0x8000, 0x8000}, {kAddress + 0x10000, 0x8000}},
                  kAddress + 0x18000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        CScriptedCamera camera;
        camera.statuses = {{kAddress, c.length, 0}, CScriptedCamera::Ready(kAddress, c.length)};
        ASSERT_TRUE(DownloadBlock(camera.channel, m_buffer, m_size, m_status, kBound_ms));
        EXPECT_EQ(m_size, LONG(c.reads.back().first + c.reads.back().second - kAddress));
        EXPECT_EQ(MemoryReads(camera), c.reads);
        for (LONG i = 0; i < m_size; i += 997)
            EXPECT_EQ(m_buffer[i], MemoryByte(kAddress + i)) << i;
        EXPECT_EQ(m_buffer[m_size - 1], MemoryByte(kAddress + m_size - 1));
        EXPECT_EQ(m_status, (DeviceStatus{c.ackAddress, c.length, 1}));
        EXPECT_EQ(camera.statusWrites, std::vector<DeviceStatus>{m_status});
    }
}

TEST_F(MailboxTransferTest, AnEmptyAnnouncementIsNotTakenAndPollingGoesOnToTheBound) {
    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 0),
                         CScriptedCamera::Ready(kAddress + 4, 3)};
    ASSERT_TRUE(DownloadBlock(m_camera.channel, m_buffer, m_size, m_status, kBound_ms));
    EXPECT_EQ(m_size, 4);
    EXPECT_EQ(MemoryReads(m_camera), (Reads{{kAddress + 4, 4}}));

    // One that never goes away ends at the bound, with nothing read and nothing handed over.
    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 0xFFFFFFFE)};
    m_buffer.reset();
    EXPECT_FALSE(DownloadBlock(m_camera.channel, m_buffer, m_size, m_status, kBound_ms));
    EXPECT_FALSE(m_buffer);
    EXPECT_EQ(MemoryReads(m_camera).size(), 1u);
}

// A piece that fails, or the bound reached between pieces (10 ms a read against 35 ms: the
// wait and three pieces fit, the fourth does not start), hands nothing over and acknowledges
// nothing.
TEST_F(MailboxTransferTest, ADownloadCutShortHandsNothingOverAndAcknowledgesNothing) {
    const struct {
        size_t failing;  // 1-based memory read that fails; 0 = none
        int64_t call_ms, bound_ms;
        size_t reads;
    } cases[] = {{1, 1, kBound_ms, 1}, {2, 1, kBound_ms, 2}, {4, 1, kBound_ms, 4}, {0, 10, 35, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        CScriptedCamera camera;
        camera.statuses = {CScriptedCamera::Ready(kAddress, 0x18001)};
        camera.failMemoryRead = c.failing;
        camera.call_ms = c.call_ms;
        EXPECT_FALSE(DownloadBlock(camera.channel, m_buffer, m_size, m_status, c.bound_ms));
        EXPECT_FALSE(m_buffer);
        EXPECT_EQ(m_size, -1);
        EXPECT_EQ(m_status, (DeviceStatus{1, 2, 3}));
        EXPECT_EQ(camera.memoryReads, c.reads);
        EXPECT_TRUE(camera.statusWrites.empty());
    }
}

// A block the download refuses before it allocates or reads anything, or takes whole.
TEST_F(MailboxTransferTest, RefusesOnlyWhatTheLimitOrTheAddressSpaceCannotHold) {
    const struct {
        const char* name;
        DWORD address, length, limit;
        Reads reads;  // empty: refused
    } rows[] = {
        {"HugeLengthUnderTheDefaultLimit", kAddress, 0x7FFFFFFC, kUnknownCameraBlockLimit, {}},
        {"JustOverTheDefaultLimit",
         kAddress,
         kUnknownCameraBlockLimit + 1,
         kUnknownCameraBlockLimit,
         {}},
        {"AtTheLimit", kAddress, 0x8000, 0x8000, {{kAddress, 0x8000}}},
        {"RoundedPastTheLimit", kAddress, 0x7FFD, 0x7FFC, {}},
        {"EndingAtTheTopOfTheAddressSpace", 0xFFFFFFFC, 4, 0x8000, {{0xFFFFFFFC, 4}}},
        {"RoundedPastTheTop", 0xFFFFFFFC, 5, 0x8000, {}},
        {"SecondPieceWouldWrapToZero", 0xFFFF8000, 0x8004, 0x10000, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CScriptedCamera camera;
        camera.channel.m_nMaxBlockSize = row.limit;
        camera.statuses = {CScriptedCamera::Ready(row.address, row.length)};
        m_buffer.reset();
        EXPECT_EQ(DownloadBlock(camera.channel, m_buffer, m_size, m_status, kBound_ms),
                  BOOL{!row.reads.empty()});
        EXPECT_EQ(MemoryReads(camera), row.reads);
        EXPECT_EQ(bool(m_buffer), !row.reads.empty());
        EXPECT_EQ(camera.statusWrites.size(), row.reads.size() ? 1u : 0u);
    }
}

TEST(StillBlockLimitTest, FourBytesAPixelOfTheLargestListedEntryPlusHeaders) {
    struct Case {
        const char* name;
        WORD count;
        std::vector<std::pair<WORD, WORD>> entries;
        DWORD limit;
    };
    const Case cases[] = {
        {"NoTable", 0, {{2592, 1944}}, 4 * 4096 * 4096 + 0x10000},
        {"Sensor", 1, {{2592, 1944}}, 4 * 2592 * 1944 + 0x10000},
        {"LargestNotFirst", 3, {{640, 480}, {2592, 1944}, {1600, 1200}}, 4 * 2592 * 1944 + 0x10000},
        {"OnlyBelowTheCount", 1, {{640, 480}, {2592, 1944}}, 4 * 640 * 480 + 0x10000},
        {"NoMoreThanFiveEntries", 9, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {2, 2}}, 16 + 0x10000},
        {"OnePixel", 1, {{1, 1}}, 4 + 0x10000},
        {"NoAreaIsNoTable", 2, {{0, 1944}, {2592, 0}}, kUnknownCameraBlockLimit},
        {"HostileSizesStopAtTheCeiling", 1, {{0xFFFF, 0xFFFF}}, kMaxBlockLimit}};
    for (const Case& c : cases) {
        ResolutionTable table;
        table.bytes[2] = static_cast<BYTE>(c.count);
        for (size_t i = 0; i < c.entries.size(); ++i) {
            BYTE* p = &table.bytes[4 + 6 * i];
            p[0] = BYTE(c.entries[i].first), p[1] = BYTE(c.entries[i].first >> 8);
            p[2] = BYTE(c.entries[i].second), p[3] = BYTE(c.entries[i].second >> 8);
        }
        EXPECT_EQ(StillBlockLimit(table), c.limit) << c.name;
    }
}

TEST_F(MailboxTransferTest, SmallBlockReadsExactlyItsSizeWhenTheBlockIsLongEnough) {
    const struct {
        SmallBlock request;
        DWORD requestId, size, announced;
    } cases[] = {
        {SmallBlock::Capabilities, 49, 4, 3},      {SmallBlock::Capabilities, 49, 4, 4},
        {SmallBlock::Capabilities, 49, 4, 1000},   {SmallBlock::ResolutionTable, 60, 34, 33},
        {SmallBlock::ResolutionTable, 60, 34, 34}, {SmallBlock::ResolutionTable, 60, 34, 36}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.announced);
        CScriptedCamera camera;
        camera.statuses = {{0, 0, 0}, CScriptedCamera::Ready(kAddress, c.announced)};
        std::vector<BYTE> destination(40, 0xEE);
        const bool ok = c.announced >= c.size;
        EXPECT_EQ(FetchSmallBlock(camera.channel, c.request, destination.data(), c.size, kBound_ms),
                  BOOL{ok});
        EXPECT_EQ(camera.filter->Transfers().front().id, c.requestId);
        EXPECT_EQ(MemoryReads(camera), (ok ? Reads{{kAddress, c.size}} : Reads{}));
        EXPECT_EQ(destination[c.size - 1], ok ? MemoryByte(kAddress + c.size - 1) : 0xEE);
        EXPECT_EQ(destination[c.size], 0xEE);
        EXPECT_TRUE(camera.statusWrites.empty());  // never acknowledged
    }
    // A failed request waits for nothing; a failed read leaves the destination as it was.
    m_camera.filter->OnSet(VENDOR_PROPERTY_REQUEST_CAPABILITIES, [](auto&) { return E_FAIL; });
    BYTE table[34] = {7};
    EXPECT_FALSE(FetchSmallBlock(m_camera.channel, SmallBlock::Capabilities, table, 4, kBound_ms));
    EXPECT_TRUE(m_camera.TransfersOf(VENDOR_PROPERTY_STATUS).empty());
    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 34)};
    m_camera.failMemoryRead = 1;
    EXPECT_FALSE(
        FetchSmallBlock(m_camera.channel, SmallBlock::ResolutionTable, table, 34, kBound_ms));
    EXPECT_EQ(table[0], 7);
    // A block announced across the top of the address space is not read at all.
    m_camera.statuses = {CScriptedCamera::Ready(0xFFFFFFF0, 34)};
    EXPECT_FALSE(
        FetchSmallBlock(m_camera.channel, SmallBlock::ResolutionTable, table, 34, kBound_ms));
    EXPECT_EQ(m_camera.memoryReads, 1u);
    m_camera.statuses = {CScriptedCamera::Ready(0xFFFFFFDE, 34)};  // ends at the very top
    EXPECT_TRUE(
        FetchSmallBlock(m_camera.channel, SmallBlock::ResolutionTable, table, 34, kBound_ms));
    EXPECT_EQ(MemoryReads(m_camera).back(), std::pair(0xFFFFFFDEu, 34u));
}

}  // namespace

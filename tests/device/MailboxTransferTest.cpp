#include <gtest/gtest.h>

#include "ComLeakCheck.h"
#include "device/MailboxTransfer.h"
#include "fakes/ScriptedCamera.h"

namespace {

using Bytes = std::vector<BYTE>;

template <class Record>
Bytes WireBytes(const Record& record) {
    const auto bytes = record.ToBytes();
    return Bytes(bytes.begin(), bytes.end());
}
constexpr DWORD kAddress = 0x00400000;
constexpr int64_t kShortBound_ms = 30;

class MailboxTransferTest : public ComLeakCheck {
protected:
    // The (address, length) of every memory read, from the id-1 selections.
    std::vector<std::pair<DWORD, DWORD>> MemoryReads() const {
        std::vector<std::pair<DWORD, DWORD>> out;
        for (const auto& call : m_camera.TransfersOf(VENDOR_PROPERTY_MEMORY_RANGE)) {
            out.emplace_back(CScriptedCamera::Le32(&call.bytes[0]),
                             CScriptedCamera::Le32(&call.bytes[4]));
        }
        return out;
    }

    CScriptedCamera m_camera;
    CVendorChannel& m_channel = m_camera.channel;
};

TEST_F(MailboxTransferTest, WaitPollsUntilReadyAndGivesUpOnAFailedReadOrTheBound) {
    m_camera.statuses = {{5, 6, 0}, {5, 6, 2}, {7, 8, 3}};
    DeviceStatus status;
    ASSERT_TRUE(WaitForMailbox(m_channel, status, kShortBound_ms));
    EXPECT_EQ(status, (DeviceStatus{7, 8, 3}));
    EXPECT_EQ(m_camera.TransfersOf(VENDOR_PROPERTY_STATUS).size(), 3u);

    m_camera.statuses = {{5, 6, 0}};
    status = {};
    EXPECT_FALSE(WaitForMailbox(m_channel, status, kShortBound_ms));
    EXPECT_EQ(status, DeviceStatus{});

    m_camera.filter->FailFromCall(m_camera.filter->m_calls.size() + 1);
    EXPECT_FALSE(WaitForMailbox(m_channel, status, kShortBound_ms));
}

TEST_F(MailboxTransferTest, RoundedSizeIsSignedAndRefusesNothingAndOverflow) {
    EXPECT_EQ(RoundedBlockSize(5), 8);
    EXPECT_EQ(RoundedBlockSize(8), 8);
    EXPECT_EQ(RoundedBlockSize(0x7FFFFFFC), 0x7FFFFFFC);
    EXPECT_LE(RoundedBlockSize(0), 0);
    EXPECT_LE(RoundedBlockSize(0x7FFFFFFD), 0);
    EXPECT_LE(RoundedBlockSize(0xFFFFFFFE), 0);
}

struct DownloadCase {
    DWORD length;
    LONG size;
    std::vector<std::pair<DWORD, DWORD>> reads;
    DWORD ackAddress;
};

class DownloadArithmeticTest : public MailboxTransferTest,
                               public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadArithmeticTest, ReadsPiecesWithTheAddressAdvancedAndAcknowledges) {
    const DownloadCase& c = GetParam();
    m_camera.statuses = {{kAddress, c.length, 0}, CScriptedCamera::Ready(kAddress, c.length)};
    std::unique_ptr<BYTE[]> buffer;
    LONG size = 0;
    DeviceStatus status;
    ASSERT_TRUE(DownloadBlock(m_channel, buffer, size, status, kShortBound_ms));
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(MemoryReads(), c.reads);
    ASSERT_TRUE(buffer);
    for (LONG i = 0; i < size; i += 997)
        EXPECT_EQ(buffer[i], MemoryByte(kAddress + i)) << i;
    EXPECT_EQ(buffer[size - 1], MemoryByte(kAddress + size - 1));

    const DeviceStatus ack{c.ackAddress, c.length, 1};
    EXPECT_EQ(status, ack);
    const auto writes = m_camera.TransfersOf(VENDOR_PROPERTY_STATUS);
    ASSERT_EQ(writes.back().kind, CFakePropertySet::Kind::Set);
    EXPECT_EQ(writes.back().bytes, WireBytes(ack));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DownloadArithmeticTest,
    ::testing::Values(
        DownloadCase{5, 8, {{kAddress, 8}}, kAddress},
        DownloadCase{0x8000, 0x8000, {{kAddress, 0x8000}}, kAddress + 0x8000},
        DownloadCase{
            0x8001, 0x8004, {{kAddress, 0x8000}, {kAddress + 0x8000, 4}}, kAddress + 0x8000},
        DownloadCase{
            0x18000,
            0x18000,
            {{kAddress, 0x8000}, {kAddress + 0x8000, 0x8000}, {kAddress + 0x10000, 0x8000}},
            kAddress + 0x18000}));

TEST_F(MailboxTransferTest, AnEmptyAnnouncementIsNotTakenAndPollingGoesOn) {
    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 0), CScriptedCamera::Ready(kAddress, 0),
                         CScriptedCamera::Ready(kAddress + 4, 3)};
    std::unique_ptr<BYTE[]> buffer;
    LONG size = 0;
    DeviceStatus status;
    ASSERT_TRUE(DownloadBlock(m_channel, buffer, size, status, kShortBound_ms));
    EXPECT_EQ(size, 4);
    EXPECT_EQ(MemoryReads(), (std::vector<std::pair<DWORD, DWORD>>{{kAddress + 4, 4}}));

    // One that never goes away ends at the bound, with nothing read and nothing handed over.
    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 0xFFFFFFFE)};
    buffer.reset();
    EXPECT_FALSE(DownloadBlock(m_channel, buffer, size, status, kShortBound_ms));
    EXPECT_FALSE(buffer);
    EXPECT_EQ(MemoryReads().size(), 1u);
}

TEST_F(MailboxTransferTest, APieceFailingHalfWayHandsNothingOverAndAcknowledgesNothing) {
    for (size_t failing : {1u, 2u, 4u}) {  // first piece, a middle piece, the rest
        CScriptedCamera camera;
        camera.statuses = {CScriptedCamera::Ready(kAddress, 0x18001)};
        camera.failMemoryRead = failing;
        std::unique_ptr<BYTE[]> buffer;
        LONG size = -1;
        DeviceStatus status{1, 2, 3};
        EXPECT_FALSE(DownloadBlock(camera.channel, buffer, size, status, kShortBound_ms));
        EXPECT_FALSE(buffer);
        EXPECT_EQ(size, -1);
        EXPECT_EQ(status, (DeviceStatus{1, 2, 3}));
        EXPECT_EQ(camera.memoryReads, failing);
        for (const auto& call : camera.TransfersOf(VENDOR_PROPERTY_STATUS)) {
            EXPECT_EQ(call.kind, CFakePropertySet::Kind::Get);
        }
    }
}

TEST_F(MailboxTransferTest, ANeverAnsweringMailboxEndsTheDownloadAtTheBound) {
    m_camera.statuses = {{kAddress, 100, 0}};
    std::unique_ptr<BYTE[]> buffer;
    LONG size = 0;
    DeviceStatus status;
    EXPECT_FALSE(DownloadBlock(m_channel, buffer, size, status, kShortBound_ms));
    EXPECT_TRUE(MemoryReads().empty());
}

TEST_F(MailboxTransferTest, SmallBlockReadsExactlyItsSizeWhenTheBlockIsLongEnough) {
    struct Case {
        SmallBlock request;
        DWORD request_id;
        DWORD size;
        DWORD announced;
        bool ok;
    };
    const Case cases[] = {
        {SmallBlock::Capabilities, 49, 4, 3, false},
        {SmallBlock::Capabilities, 49, 4, 4, true},
        {SmallBlock::Capabilities, 49, 4, 1000, true},
        {SmallBlock::ResolutionTable, 60, 34, 33, false},
        {SmallBlock::ResolutionTable, 60, 34, 34, true},
        {SmallBlock::ResolutionTable, 60, 34, 36, true},
    };
    for (const Case& c : cases) {
        CScriptedCamera camera;
        camera.statuses = {{0, 0, 0}, CScriptedCamera::Ready(kAddress, c.announced)};
        Bytes destination(40, 0xEE);
        EXPECT_EQ(
            FetchSmallBlock(camera.channel, c.request, destination.data(), c.size, kShortBound_ms),
            c.ok ? TRUE : FALSE)
            << c.announced;
        const auto transfers = camera.filter->Transfers();
        EXPECT_EQ(transfers.front().id, c.request_id);
        const auto ranges = camera.TransfersOf(VENDOR_PROPERTY_MEMORY_RANGE);
        ASSERT_EQ(ranges.size(), c.ok ? 1u : 0u);
        if (c.ok) {
            EXPECT_EQ(CScriptedCamera::Le32(&ranges[0].bytes[4]), c.size);
            EXPECT_EQ(destination[c.size - 1], MemoryByte(kAddress + c.size - 1));
        }
        EXPECT_EQ(destination[c.size], 0xEE);
        // Never acknowledged.
        EXPECT_EQ(camera.filter->Calls(CFakePropertySet::Kind::Set).size(), c.ok ? 2u : 1u);
    }
}

TEST_F(MailboxTransferTest, SmallBlockStopsAtAFailedRequestOrRead) {
    m_camera.filter->OnSet(VENDOR_PROPERTY_REQUEST_CAPABILITIES,
                           [](const Bytes&) { return E_FAIL; });
    BYTE word[4] = {1, 2, 3, 4};
    EXPECT_FALSE(FetchSmallBlock(m_channel, SmallBlock::Capabilities, word, 4, kShortBound_ms));
    EXPECT_TRUE(m_camera.TransfersOf(VENDOR_PROPERTY_STATUS).empty());

    m_camera.statuses = {CScriptedCamera::Ready(kAddress, 34)};
    m_camera.failMemoryRead = 1;
    BYTE table[34] = {7};
    EXPECT_FALSE(
        FetchSmallBlock(m_channel, SmallBlock::ResolutionTable, table, 34, kShortBound_ms));
    EXPECT_EQ(table[0], 7);  // a failed read leaves what was kept before
}

}  // namespace

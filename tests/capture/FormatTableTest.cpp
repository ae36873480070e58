#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "capture/FormatTable.h"

namespace {

constexpr DWORD kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');
constexpr DWORD kMjpg = MakeFourCC('M', 'J', 'P', 'G');
constexpr DWORD kTopBit = 0x80000001u;

struct Format {
    DWORD compression;
    LONG width;
    LONG height;
};

void AddFormat(CFormatTable& table, LONG capabilityIndex, const Format& f) {
    AM_MEDIA_TYPE mt;
    mt.formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER vih;
    vih.bmiHeader.biCompression = f.compression;
    vih.bmiHeader.biWidth = f.width;
    vih.bmiHeader.biHeight = f.height;
    VIDEO_STREAM_CONFIG_CAPS caps;
    caps.MinFrameInterval = capabilityIndex;
    table.Add(capabilityIndex, mt, vih, caps, FrameIntervalList::MakeStandard());
}

CFormatTable& Fill(CFormatTable& table, const std::vector<Format>& formats) {
    for (size_t i = 0; i < formats.size(); ++i)
        AddFormat(table, static_cast<LONG>(i), formats[i]);
    return table;
}

std::vector<Format> Order(const CFormatTable& table) {
    std::vector<Format> out;
    for (LONG i = 0; i < table.GetCount(); ++i) {
        const CFormatEntry* e = table.GetEntryAt(i);
        out.push_back({e->Compression(), e->Width(), e->Height()});
    }
    return out;
}

MATCHER_P3(IsFormat, c, w, h, "") {
    return arg.compression == static_cast<DWORD>(c) && arg.width == w && arg.height == h;
}

TEST(FrameIntervalListTest, StandardListHoldsSevenTruncatedIntervals) {
    const FrameIntervalList list = FrameIntervalList::MakeStandard();
    EXPECT_EQ(list.defaultInterval, 333333);
    ASSERT_EQ(list.count, 7);
    const LONGLONG expected[] = {10000000, 2000000, 1000000, 666666, 500000, 400000, 333333};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(list.intervals[i], expected[i]) << i;
}

TEST(FormatEntryTest, KeepsNoPointerIntoThePlatformsMediaType) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_YUY2;
    mt.lSampleSize = 614400;
    BYTE block[sizeof(VIDEOINFOHEADER)] = {};
    mt.cbFormat = sizeof block;
    mt.pbFormat = block;
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = 333333;
    vih.bmiHeader.biWidth = 640;
    VIDEO_STREAM_CONFIG_CAPS caps;
    caps.MaxFrameInterval = 10000000;

    CFormatEntry entry(4, mt, vih, caps, FrameIntervalList::MakeStandard());
    EXPECT_EQ(entry.m_nCapabilityIndex, 4);
    EXPECT_EQ(entry.m_mediaType.subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(entry.m_mediaType.lSampleSize, 614400u);
    EXPECT_EQ(entry.m_mediaType.pbFormat, nullptr);
    EXPECT_EQ(entry.m_mediaType.cbFormat, 0u);
    EXPECT_EQ(entry.m_mediaType.pUnk, nullptr);
    EXPECT_EQ(entry.m_videoInfo.AvgTimePerFrame, 333333);
    EXPECT_EQ(entry.Width(), 640);
    EXPECT_EQ(entry.m_caps.MaxFrameInterval, 10000000);
    EXPECT_EQ(entry.m_frameIntervals.count, 7);
}

TEST(FormatTableSortTest, OrdersCodesUnsignedThenSizesSigned) {
    CFormatTable table;
    Fill(table, {{kTopBit, 320, 240},
                 {kYuy2, 640, 480},
                 {kMjpg, 640, 480},
                 {0, 640, 480},
                 {kYuy2, 320, 240},
                 {kYuy2, 640, -480},
                 {0, 160, 120},
                 {kYuy2, -1, 10}});
    EXPECT_FALSE(table.IsSorted());
    table.Sort();
    EXPECT_TRUE(table.IsSorted());
    // 'YUY2' < 'MJPG' as little-endian codes; the top-bit code is largest, not negative.
    EXPECT_THAT(Order(table),
                ::testing::ElementsAre(IsFormat(0, 160, 120), IsFormat(0, 640, 480),
                                       IsFormat(kYuy2, -1, 10), IsFormat(kYuy2, 320, 240),
                                       IsFormat(kYuy2, 640, -480), IsFormat(kYuy2, 640, 480),
                                       IsFormat(kMjpg, 640, 480), IsFormat(kTopBit, 320, 240)));
    // The capability index travels with its entry.
    EXPECT_EQ(table.GetEntryAt(0)->m_nCapabilityIndex, 6);
    EXPECT_EQ(table.GetEntryAt(7)->m_nCapabilityIndex, 0);
}

TEST(FormatTableLookupTest, EmptyTableAnswersEveryLookupWithNothing) {
    CFormatTable table;
    EXPECT_TRUE(table.BuildGroups()->empty());
    LONG group = 77;
    LONG position = 88;
    DWORD code = 99;
    EXPECT_FALSE(table.FindGroup(0, group));
    EXPECT_FALSE(table.FindSize(640, 480, 0, position));
    EXPECT_FALSE(table.GetGroupCompression(0, code));
    EXPECT_EQ(group, 77);
    EXPECT_EQ(position, 88);
    EXPECT_EQ(code, 99u);
    for (LONG g : {-1, 0, 1}) {
        EXPECT_EQ(table.BuildSizeList(g), nullptr);
        EXPECT_EQ(table.GetEntry(g, 0), nullptr);
    }
}

class FilledTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sorted: code 0 at 0..4, YUY2 at 5..7, MJPG at 8..9 ('YUY2' < 'MJPG' as codes).
        Fill(m_table, {{kYuy2, 640, 480},
                       {0, 160, 120},
                       {0, 320, 240},
                       {kMjpg, 1280, 960},
                       {0, 640, -480},
                       {kYuy2, 320, 240},
                       {0, 640, 480},
                       {kMjpg, 640, 480},
                       {0, 800, 600},
                       {kYuy2, 1280, 960}});
        m_table.Sort();
    }
    CFormatTable m_table;
};

TEST_F(FilledTableTest, GroupsAreRunsOfEqualCodeInAscendingOrder) {
    auto groups = m_table.BuildGroups();
    ASSERT_EQ(groups->size(), 3u);
    EXPECT_EQ((*groups)[0].compression, 0u);
    EXPECT_EQ((*groups)[0].first, 0);
    EXPECT_EQ((*groups)[0].count, 5);
    EXPECT_EQ((*groups)[1].compression, kYuy2);
    EXPECT_EQ((*groups)[1].first, 5);
    EXPECT_EQ((*groups)[1].count, 3);
    EXPECT_EQ((*groups)[2].compression, kMjpg);
    EXPECT_EQ((*groups)[2].first, 8);
    EXPECT_EQ((*groups)[2].count, 2);
    CFormatTable::FreeList(std::move(groups));

    DWORD code = 0;
    EXPECT_TRUE(m_table.GetGroupCompression(2, code));
    EXPECT_EQ(code, kMjpg);
    code = 5;
    EXPECT_FALSE(m_table.GetGroupCompression(3, code));
    EXPECT_FALSE(m_table.GetGroupCompression(-1, code));
    EXPECT_EQ(code, 5u);
}

TEST_F(FilledTableTest, SizeLookupAnswersThePositionWithinTheGroup) {
    LONG group = -1;
    ASSERT_TRUE(m_table.FindGroup(kYuy2, group));
    EXPECT_EQ(group, 1);

    auto sizes = m_table.BuildSizeList(group);
    ASSERT_NE(sizes, nullptr);
    ASSERT_EQ(sizes->size(), 3u);
    EXPECT_EQ((*sizes)[2].entryIndex, 7);
    EXPECT_EQ((*sizes)[2].width, 1280);

    LONG position = -1;
    ASSERT_TRUE(m_table.FindSize(1280, 960, group, position));
    EXPECT_EQ(position, 2);  // not the array position 7
    const CFormatEntry* entry = m_table.GetEntry(group, position);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry, m_table.GetEntryAt(7));
    EXPECT_EQ(entry->m_nCapabilityIndex, 9);
}

TEST_F(FilledTableTest, OnlyAnExactSignedSizeMatches) {
    LONG position = 42;
    EXPECT_FALSE(m_table.FindSize(640, 481, 0, position));
    EXPECT_FALSE(m_table.FindSize(639, 480, 0, position));
    EXPECT_FALSE(m_table.FindSize(1280, 960, 0, position));  // offered, but by another group
    EXPECT_FALSE(m_table.FindSize(640, 480, 3, position));
    position = 42;
    EXPECT_FALSE(m_table.FindSize(640, 479, 0, position));
    EXPECT_EQ(position, 42);

    // The top-down 640 x -480 sorts before 640 x 480 and neither answers for the other.
    ASSERT_TRUE(m_table.FindSize(640, 480, 0, position));
    EXPECT_EQ(position, 3);
    ASSERT_TRUE(m_table.FindSize(640, -480, 0, position));
    EXPECT_EQ(position, 2);
    EXPECT_EQ(m_table.GetEntry(0, 2)->m_nCapabilityIndex, 4);
}

TEST_F(FilledTableTest, GetEntryStopsAtTheGroupsLastPosition) {
    EXPECT_EQ(m_table.GetEntry(2, 1), m_table.GetEntryAt(9));  // count - 1
    EXPECT_EQ(m_table.GetEntry(2, 2), nullptr);                // count
    EXPECT_EQ(m_table.GetEntry(2, -1), nullptr);
    EXPECT_EQ(m_table.GetEntry(0, 4), m_table.GetEntryAt(4));
    EXPECT_EQ(m_table.GetEntry(3, 0), nullptr);
}

TEST_F(FilledTableTest, AddAfterSortStartsAGroupAtTheEndButFindGroupTakesTheFirst) {
    AddFormat(m_table, 10, {0, 1920, 1080});
    EXPECT_FALSE(m_table.IsSorted());
    auto groups = m_table.BuildGroups();
    ASSERT_EQ(groups->size(), 4u);
    EXPECT_EQ(groups->back().compression, 0u);
    EXPECT_EQ(groups->back().first, 10);
    EXPECT_EQ(groups->back().count, 1);

    LONG group = -1;
    ASSERT_TRUE(m_table.FindGroup(0, group));
    EXPECT_EQ(group, 0);
    LONG position = -1;
    EXPECT_FALSE(m_table.FindSize(1920, 1080, 0, position));
    ASSERT_TRUE(m_table.FindSize(1920, 1080, 3, position));
    EXPECT_EQ(position, 0);

    // An entry after the last with the same code just lengthens the last group.
    AddFormat(m_table, 11, {0, 1, 1});
    EXPECT_EQ(m_table.BuildGroups()->back().count, 2);
}

}  // namespace

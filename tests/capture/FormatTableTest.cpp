#include <gtest/gtest.h>

#include <tuple>

#include "capture/FormatTable.h"
#include "capture/NearestFormat.h"

namespace {

constexpr DWORD kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');  // 'YUY2' < 'MJPG' as codes
constexpr DWORD kMjpg = MakeFourCC('M', 'J', 'P', 'G');
constexpr DWORD kTopBit = 0x80000001u;

void Add(CFormatTable& table, LONG capabilityIndex, DWORD compression, LONG width, LONG height) {
    VIDEOINFOHEADER vih;
    vih.bmiHeader = {.biWidth = width, .biHeight = height, .biCompression = compression};
    table.Add(capabilityIndex, AM_MEDIA_TYPE{}, vih, VIDEO_STREAM_CONFIG_CAPS{}, {});
}

// Sorted: code 0 at 0..3, YUY2 at 4..6, MJPG at 7..8, the top-bit code at 9.
class FormatTableTest : public ::testing::Test {
protected:
    FormatTableTest() {
        const struct {
            DWORD code;
            LONG width, height;
        } formats[] = {{kYuy2, 640, 480},  {0, 160, 120},     {kTopBit, 320, 240},
                       {kMjpg, 1280, 960}, {0, 640, -480},    {kYuy2, -320, 240},
                       {0, 640, 480},      {kMjpg, 640, 480}, {0, 800, 600},
                       {kYuy2, 1280, 960}};
        for (LONG i = 0; i < 10; ++i)
            Add(m_table, i, formats[i].code, formats[i].width, formats[i].height);
        m_table.Sort();
    }
    CFormatTable m_table;
};

TEST_F(FormatTableTest, SortsByUnsignedCodeThenSignedWidthAndHeightIntoGroups) {
    const LONG capabilities[] = {1, 4, 6, 8, 5, 0, 9, 7, 3, 2};
    for (LONG i = 0; i < 10; ++i)
        EXPECT_EQ(m_table.GetEntryAt(i)->m_nCapabilityIndex, capabilities[i]) << i;

    const auto groups = m_table.BuildGroups();
    const FormatGroup expected[] = {{0, 0, 4}, {kYuy2, 4, 3}, {kMjpg, 7, 2}, {kTopBit, 9, 1}};
    ASSERT_EQ(groups->size(), 4u);
    for (size_t g = 0; g < 4; ++g) {
        const FormatGroup& got = (*groups)[g];
        EXPECT_EQ(std::tie(got.compression, got.first, got.count),
                  std::tie(expected[g].compression, expected[g].first, expected[g].count));
    }
}

TEST_F(FormatTableTest, LookupsAnswerPositionsWithinAGroupAndOnlyExactSizes) {
    LONG group = -1;
    LONG position = -1;
    ASSERT_TRUE(m_table.FindGroup(kYuy2, group));
    EXPECT_EQ(group, 1);
    ASSERT_TRUE(m_table.FindSize(1280, 960, group, position));
    EXPECT_EQ(position, 2);  // within the group, not the array position 6
    EXPECT_EQ(m_table.GetEntry(group, position), m_table.GetEntryAt(6));
    EXPECT_EQ((*m_table.BuildSizeList(group))[2].entryIndex, 6);
    // The top-down 640 x -480 and the bottom-up 640 x 480 are different sizes.
    ASSERT_TRUE(m_table.FindSize(640, -480, 0, position));
    EXPECT_EQ(position, 1);
    ASSERT_TRUE(m_table.FindSize(640, 480, 0, position));
    EXPECT_EQ(position, 2);

    // A failed lookup leaves its output as it was.
    group = position = 42;
    DWORD code = 42;
    EXPECT_FALSE(m_table.FindSize(640, 481, 0, position));
    EXPECT_FALSE(m_table.FindSize(639, 480, 0, position));
    EXPECT_FALSE(m_table.FindSize(1280, 960, 0, position));  // offered, by other groups
    EXPECT_FALSE(m_table.FindSize(640, 480, 4, position));
    EXPECT_FALSE(m_table.FindSize(640, 480, -1, position));
    EXPECT_FALSE(m_table.FindGroup(kYuy2 + 1, group));
    EXPECT_FALSE(m_table.GetGroupCompression(4, code));
    EXPECT_FALSE(m_table.GetGroupCompression(-1, code));
    EXPECT_EQ(std::make_tuple(position, group, code), std::make_tuple(42, 42, 42u));
    EXPECT_TRUE(m_table.GetGroupCompression(2, code));
    EXPECT_EQ(code, kMjpg);

    EXPECT_EQ(m_table.GetEntry(2, 1), m_table.GetEntryAt(8));  // the group's last position
    EXPECT_EQ(m_table.GetEntry(2, 2), nullptr);
    EXPECT_EQ(m_table.GetEntry(4, 0), nullptr);
}

TEST_F(FormatTableTest, AnEntryAddedAfterSortingIsAGroupOfItsOwn) {
    Add(m_table, 10, 0, 1920, 1080);
    const auto groups = m_table.BuildGroups();
    ASSERT_EQ(groups->size(), 5u);
    EXPECT_EQ(groups->back().compression, 0u);
    EXPECT_EQ(groups->back().first, 10);
    LONG group = -1;
    LONG position = -1;
    ASSERT_TRUE(m_table.FindGroup(0, group));
    EXPECT_EQ(group, 0);  // the first run of that code
    EXPECT_FALSE(m_table.FindSize(1920, 1080, 0, position));
    ASSERT_TRUE(m_table.FindSize(1920, 1080, 4, position));
    EXPECT_EQ(position, 0);
}

}  // namespace

TEST(NearestFormatTest, TheExactSizeElseTheNearestInTheFirstGroupAtARateItHas) {
    CFormatTable table;
    NearestFormat chosen;
    EXPECT_FALSE(ChooseNearestFormat(table, 640, 480, 1'000'000, chosen));
    const auto add = [&](LONG index, DWORD code, LONG width, LONG height, REFERENCE_TIME lo,
                         REFERENCE_TIME hi) {
        VIDEOINFOHEADER vih;
        vih.bmiHeader = {.biWidth = width, .biHeight = height, .biCompression = code};
        VIDEO_STREAM_CONFIG_CAPS caps{};
        caps.MinFrameInterval = lo;
        caps.MaxFrameInterval = hi;
        table.Add(index, AM_MEDIA_TYPE{}, vih, caps, {});
        table.Sort();
    };
    add(0, kYuy2, 640, 480, 333'333, 333'333);  // a later group: never chosen
    add(1, 0, 320, 240, 333'333, 10'000'000);
    add(2, 0, 960, 720, 333'333, 666'666);
    ASSERT_TRUE(ChooseNearestFormat(table, 640, 480, 1'000'000, chosen));
    EXPECT_EQ(std::tuple(chosen.compression, chosen.width, chosen.height, chosen.interval_100ns),
              std::tuple(DWORD{0}, 320, 240, REFERENCE_TIME{1'000'000}))
        << "as far from 640 x 480 as 960 x 720, and smaller";
    add(3, 0, 800, 600, 500'000, 500'000);
    ASSERT_TRUE(ChooseNearestFormat(table, 640, 480, 1'000'000, chosen));
    EXPECT_EQ(std::tuple(chosen.width, chosen.interval_100ns),
              std::tuple(800, REFERENCE_TIME{500'000}))
        << "the nearest size, at the nearest rate it has";
    add(4, 0, 640, -480, 333'333, 333'333);
    ASSERT_TRUE(ChooseNearestFormat(table, 640, 480, 1'000'000, chosen));
    EXPECT_EQ(std::tuple(chosen.width, chosen.height, chosen.interval_100ns),
              std::tuple(640, -480, REFERENCE_TIME{333'333}))
        << "top-down rows are the same size";
}

// CFormatTable: the capture pin's usable stream formats, sorted by compression code, width
// and height, and the lookups that turn a code and a size into a capability.
#pragma once

#include <memory>
#include <vector>

#include "capture/FormatEntry.h"

// One run of consecutive entries with the same compression code.
struct FormatGroup {
    DWORD compression = 0;
    LONG first = 0;  // array position of the run's first entry
    LONG count = 0;
};

// One entry of a group as the size lookup sees it.
struct FormatSize {
    LONG width = 0;
    LONG height = 0;
    LONG entryIndex = 0;  // array position, not the position within the group
};

using FormatGroupList = std::vector<FormatGroup>;
using FormatSizeList = std::vector<FormatSize>;

class CFormatTable {
public:
    CFormatTable() = default;
    CFormatTable(const CFormatTable&) = delete;
    CFormatTable& operator=(const CFormatTable&) = delete;
    virtual ~CFormatTable();

    // Appends an entry (taking the interval array with it) and marks the table unsorted.
    void Add(LONG capabilityIndex, const AM_MEDIA_TYPE& mediaType, const VIDEOINFOHEADER& videoInfo,
             const VIDEO_STREAM_CONFIG_CAPS& caps, FrameIntervalList frameIntervals);
    // Orders by unsigned compression code, then signed width, then signed height. Entries
    // equal in all three keys may end in any order.
    void Sort();
    // Destroys every entry; the sorted mark is left as it was.
    void Clear();

    // Runs of equal compression code over the array's current order.
    std::unique_ptr<FormatGroupList> BuildGroups() const;
    // The sizes of one group, or null for a group index outside the group list.
    std::unique_ptr<FormatSizeList> BuildSizeList(LONG groupIndex) const;
    // Each lookup frees its lists here, as the table's design has it; the holder would anyway.
    static void FreeList(std::unique_ptr<FormatGroupList> list);
    static void FreeList(std::unique_ptr<FormatSizeList> list);

    // The entry at `position` within the group (still owned by the table), or null.
    const CFormatEntry* GetEntry(LONG groupIndex, LONG position) const;
    // Each lookup leaves its output unchanged when it answers FALSE.
    BOOL FindGroup(DWORD compression, LONG& groupIndex) const;
    BOOL FindSize(LONG width, LONG height, LONG groupIndex, LONG& position) const;
    BOOL GetGroupCompression(LONG groupIndex, DWORD& compression) const;

    LONG GetCount() const { return static_cast<LONG>(m_entries.size()); }
    // Array order, for callers that walk the whole table.
    const CFormatEntry* GetEntryAt(LONG index) const;

private:
    static int CompareEntries(const CFormatEntry& a, const CFormatEntry& b);

    std::vector<std::unique_ptr<CFormatEntry>> m_entries;
    // Kept as the table's design has it; no lookup reads it, they all walk the current order.
    BOOL m_bSorted = FALSE;
};

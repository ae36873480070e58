#include "capture/FormatTable.h"

#include <algorithm>
#include <utility>

CFormatTable::~CFormatTable() {
    Clear();
}

void CFormatTable::Add(LONG capabilityIndex, const AM_MEDIA_TYPE& mediaType,
                       const VIDEOINFOHEADER& videoInfo, const VIDEO_STREAM_CONFIG_CAPS& caps,
                       FrameIntervalList frameIntervals) {
    m_entries.push_back(std::make_unique<CFormatEntry>(capabilityIndex, mediaType, videoInfo, caps,
                                                       std::move(frameIntervals)));
    m_bSorted = FALSE;
}

int CFormatTable::CompareEntries(const CFormatEntry& a, const CFormatEntry& b) {
    // DWORD and LONG keep the unsigned order of codes and the signed order of sizes.
    if (a.Compression() != b.Compression())
        return a.Compression() < b.Compression() ? -1 : 1;
    if (a.Width() != b.Width())
        return a.Width() < b.Width() ? -1 : 1;
    if (a.Height() != b.Height())
        return a.Height() < b.Height() ? -1 : 1;
    return 0;
}

void CFormatTable::Sort() {
    if (m_entries.empty())
        return;
    std::sort(m_entries.begin(), m_entries.end(),
              [](const auto& a, const auto& b) { return CompareEntries(*a, *b) < 0; });
    m_bSorted = TRUE;
}

void CFormatTable::Clear() {
    m_entries.clear();
}

std::unique_ptr<FormatGroupList> CFormatTable::BuildGroups() const {
    auto groups = std::make_unique<FormatGroupList>();
    for (LONG i = 0; i < GetCount(); ++i) {
        const DWORD code = m_entries[i]->Compression();
        if (i > 0 && code == m_entries[i - 1]->Compression()) {
            ++groups->back().count;
        } else {
            groups->push_back(FormatGroup{code, i, 1});
        }
    }
    return groups;
}

std::unique_ptr<FormatSizeList> CFormatTable::BuildSizeList(LONG groupIndex) const {
    auto groups = BuildGroups();
    if (groupIndex < 0 || groupIndex >= static_cast<LONG>(groups->size())) {
        FreeList(std::move(groups));
        return nullptr;
    }
    const FormatGroup group = (*groups)[groupIndex];
    FreeList(std::move(groups));

    auto sizes = std::make_unique<FormatSizeList>();
    for (LONG i = 0; i < group.count; ++i) {
        const CFormatEntry& entry = *m_entries[group.first + i];
        sizes->push_back(FormatSize{entry.Width(), entry.Height(), group.first + i});
    }
    return sizes;
}

void CFormatTable::FreeList(std::unique_ptr<FormatGroupList> list) {
    list.reset();
}

void CFormatTable::FreeList(std::unique_ptr<FormatSizeList> list) {
    list.reset();
}

const CFormatEntry* CFormatTable::GetEntry(LONG groupIndex, LONG position) const {
    auto groups = BuildGroups();
    const CFormatEntry* entry = nullptr;
    if (groupIndex >= 0 && groupIndex < static_cast<LONG>(groups->size())) {
        const FormatGroup& group = (*groups)[groupIndex];
        if (position >= 0 && position < group.count)
            entry = m_entries[group.first + position].get();
    }
    FreeList(std::move(groups));
    return entry;
}

BOOL CFormatTable::FindGroup(DWORD compression, LONG& groupIndex) const {
    auto groups = BuildGroups();
    const auto it =
        std::find_if(groups->begin(), groups->end(),
                     [compression](const FormatGroup& g) { return g.compression == compression; });
    const BOOL found = it != groups->end();
    if (found)
        groupIndex = static_cast<LONG>(it - groups->begin());
    FreeList(std::move(groups));
    return found;
}

BOOL CFormatTable::FindSize(LONG width, LONG height, LONG groupIndex, LONG& position) const {
    auto sizes = BuildSizeList(groupIndex);
    if (!sizes)
        return FALSE;
    const auto it = std::find_if(sizes->begin(), sizes->end(), [&](const FormatSize& s) {
        return s.width == width && s.height == height;
    });
    const BOOL found = it != sizes->end();
    if (found)
        position = static_cast<LONG>(it - sizes->begin());
    FreeList(std::move(sizes));
    return found;
}

BOOL CFormatTable::GetGroupCompression(LONG groupIndex, DWORD& compression) const {
    auto groups = BuildGroups();
    const BOOL valid = groupIndex >= 0 && groupIndex < static_cast<LONG>(groups->size());
    if (valid)
        compression = (*groups)[groupIndex].compression;
    FreeList(std::move(groups));
    return valid;
}

const CFormatEntry* CFormatTable::GetEntryAt(LONG index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_entries[index].get();
}

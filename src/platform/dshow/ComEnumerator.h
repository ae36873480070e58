// CComEnumerator: the Next/Skip/Reset walk over a fixed list of interface pointers, shared by
// the platform's enumerators of pins, filters and device monikers.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/com/ComObject.h"

template <class IEnum, class Item>
class CComEnumerator : public CComObject<IEnum> {
public:
    explicit CComEnumerator(std::vector<ComPtr<Item>> items) : m_items(std::move(items)) {}

    // S_OK when `count` items were handed out, each with a reference; S_FALSE when the list
    // ran out first. Without a fetched count only one item may be asked for.
    HRESULT Next(ULONG count, Item** items, ULONG* fetched) override {
        if (!items || (!fetched && count != 1))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_next < m_items.size())
            m_items[m_next++].CopyTo(&items[n++]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = m_items.size() - m_next;
        m_next += std::min<size_t>(left, count);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        m_next = 0;
        return S_OK;
    }

protected:
    std::vector<ComPtr<Item>> m_items;
    size_t m_next = 0;
};

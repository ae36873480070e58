#include "fakes/FakePropertySet.h"

#include <algorithm>
#include <cstring>

void CFakePropertySet::OnGet(DWORD id, GetHandler handler) {
    m_gets[id] = std::move(handler);
}

void CFakePropertySet::OnSet(DWORD id, SetHandler handler) {
    m_sets[id] = handler ? std::move(handler) : [](const std::vector<BYTE>&) { return S_OK; };
}

void CFakePropertySet::OnGetBytes(DWORD id, std::vector<BYTE> bytes) {
    OnGet(id, [bytes = std::move(bytes)](BYTE* data, DWORD cbData, DWORD* returned) {
        const DWORD n = std::min<DWORD>(cbData, static_cast<DWORD>(bytes.size()));
        if (n)
            std::memcpy(data, bytes.data(), n);
        *returned = n;
        return S_OK;
    });
}

void CFakePropertySet::OverrideQuery(DWORD id, HRESULT hr, DWORD support) {
    m_queryOverrides[id] = {hr, support};
}

std::vector<CFakePropertySet::Call> CFakePropertySet::Calls(Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : m_calls) {
        if (c.kind == kind)
            out.push_back(c);
    }
    return out;
}

std::vector<CFakePropertySet::Call> CFakePropertySet::Transfers() const {
    std::vector<Call> out;
    for (const Call& c : m_calls) {
        if (c.kind != Kind::Query)
            out.push_back(c);
    }
    return out;
}

HRESULT CFakePropertySet::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) {
    m_calls.push_back(Call{Kind::Query, guidPropSet, dwPropID, nullptr, 0, nullptr, 0, {}});
    if (Failing())
        return m_failStatus;
    if (auto it = m_queryOverrides.find(dwPropID); it != m_queryOverrides.end()) {
        if (pTypeSupport)
            *pTypeSupport = it->second.second;
        return it->second.first;
    }
    DWORD support = 0;
    if (m_gets.count(dwPropID))
        support |= KSPROPERTY_SUPPORT_GET;
    if (m_sets.count(dwPropID))
        support |= KSPROPERTY_SUPPORT_SET;
    if (!support)
        return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport)
        *pTypeSupport = support;
    return S_OK;
}

HRESULT CFakePropertySet::Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                              DWORD cbInstanceData, void* pPropData, DWORD cbPropData,
                              DWORD* pcbReturned) {
    m_calls.push_back(Call{Kind::Get,
                           guidPropSet,
                           dwPropID,
                           pInstanceData,
                           cbInstanceData,
                           pPropData,
                           cbPropData,
                           {}});
    const size_t index = m_calls.size() - 1;
    if (Failing())
        return m_failStatus;
    auto it = m_gets.find(dwPropID);
    if (it == m_gets.end())
        return E_PROP_ID_UNSUPPORTED;
    DWORD returned = 0;
    const HRESULT hr = it->second(static_cast<BYTE*>(pPropData), cbPropData, &returned);
    if (pcbReturned)
        *pcbReturned = returned;
    const BYTE* p = static_cast<const BYTE*>(pPropData);
    // Reached again by index: a handler may make calls of its own that grow the vector.
    m_calls[index].bytes.assign(p, p + std::min(returned, cbPropData));
    return hr;
}

HRESULT CFakePropertySet::Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                              DWORD cbInstanceData, void* pPropData, DWORD cbPropData) {
    const BYTE* p = static_cast<const BYTE*>(pPropData);
    Call call{Kind::Set,      guidPropSet, dwPropID,   pInstanceData,
              cbInstanceData, pPropData,   cbPropData, {}};
    if (p)
        call.bytes.assign(p, p + cbPropData);
    m_calls.push_back(call);
    if (Failing())
        return m_failStatus;
    auto it = m_sets.find(dwPropID);
    if (it == m_sets.end())
        return E_PROP_ID_UNSUPPORTED;
    return it->second(call.bytes);
}

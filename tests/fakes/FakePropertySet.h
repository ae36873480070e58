// CFakePropertySet: a camera filter whose IKsPropertySet answers from a script and records
// every call (kind, set, id, both buffers and lengths, the bytes that went each way), so tests
// can check exactly what the system said to the driver.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "fakes/FakeFilterStub.h"
#include "platform/ks/KsPropertySet.h"

class CFakePropertySet : public TFakeFilterStub<IKsPropertySet> {
public:
    enum class Kind { Query, Get, Set };
    struct Call {
        Kind kind;
        GUID set;
        DWORD id;
        void* instance;
        DWORD cbInstance;
        void* data;
        DWORD cbData;
        std::vector<BYTE> bytes;  // Set: what was sent; Get: what the fake wrote back
    };
    // A Get answer fills `data` (cb bytes long) and sets *returned; a Set answer sees the bytes.
    using GetHandler = std::function<HRESULT(BYTE* data, DWORD cb, DWORD* returned)>;
    using SetHandler = std::function<HRESULT(const std::vector<BYTE>& sent)>;

    // Registers an answer; QuerySupported then reports that direction.
    void OnGet(DWORD id, GetHandler handler) { m_gets[id] = std::move(handler); }
    void OnSet(
        DWORD id, SetHandler handler = [](const std::vector<BYTE>&) { return S_OK; }) {
        m_sets[id] = std::move(handler);
    }
    // QuerySupported for `id` returns `hr` with whatever directions are registered.
    void OverrideQuery(DWORD id, HRESULT hr) { m_queryStatus[id] = hr; }

    // Gets and Sets in order, of one id if given.
    std::vector<Call> Transfers(std::optional<DWORD> id = {}) const {
        std::vector<Call> out;
        std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out),
                     [&](const Call& c) { return c.kind != Kind::Query && (!id || c.id == *id); });
        return out;
    }

    std::vector<Call> m_calls;

    HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) override {
        m_calls.push_back({Kind::Query, set, id, nullptr, 0, nullptr, 0, {}});
        const DWORD support = (m_gets.count(id) ? KSPROPERTY_SUPPORT_GET : 0) |
                              (m_sets.count(id) ? KSPROPERTY_SUPPORT_SET : 0);
        if (!support)
            return E_PROP_ID_UNSUPPORTED;
        *pTypeSupport = support;
        return m_queryStatus.count(id) ? m_queryStatus[id] : S_OK;
    }
    HRESULT Get(REFGUID set, DWORD id, void* instance, DWORD cbInstance, void* data, DWORD cbData,
                DWORD* pcbReturned) override {
        m_calls.push_back({Kind::Get, set, id, instance, cbInstance, data, cbData, {}});
        const size_t index = m_calls.size() - 1;
        if (!m_gets.count(id))
            return E_PROP_ID_UNSUPPORTED;
        DWORD returned = 0;
        const HRESULT hr = m_gets[id](static_cast<BYTE*>(data), cbData, &returned);
        *pcbReturned = returned;
        const BYTE* p = static_cast<const BYTE*>(data);
        // By index: a handler may have made calls of its own that grew the vector.
        m_calls[index].bytes.assign(p, p + std::min(returned, cbData));
        return hr;
    }
    HRESULT Set(REFGUID set, DWORD id, void* instance, DWORD cbInstance, void* data,
                DWORD cbData) override {
        const BYTE* p = static_cast<const BYTE*>(data);
        const std::vector<BYTE> sent = p ? std::vector<BYTE>(p, p + cbData) : std::vector<BYTE>{};
        m_calls.push_back({Kind::Set, set, id, instance, cbInstance, data, cbData, sent});
        if (!m_sets.count(id))
            return E_PROP_ID_UNSUPPORTED;
        return m_sets[id](sent);
    }

private:
    std::map<DWORD, GetHandler> m_gets;
    std::map<DWORD, SetHandler> m_sets;
    std::map<DWORD, HRESULT> m_queryStatus;
};

// CFakePropertySet: a camera filter whose IKsPropertySet answers from a script and records
// every call (kind, set, id, both buffers and lengths, the bytes that went each way), so tests
// can check exactly what the system said to the driver.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "fakes/FakeFilterStub.h"
#include "platform/ks/KsPropertySet.h"

class CFakePropertySet : public TFakeFilterStub<IKsPropertySet> {
public:
    enum class Kind { Query, Get, Set };

    struct Call {
        Kind kind = Kind::Query;
        GUID set;
        DWORD id = 0;
        void* instance = nullptr;
        DWORD cbInstance = 0;
        void* data = nullptr;
        DWORD cbData = 0;
        std::vector<BYTE> bytes;  // Set: what was sent; Get: what the fake wrote back
    };

    // A Get answer: fill `data` (cbData bytes long), set *returned, return the status.
    using GetHandler = std::function<HRESULT(BYTE* data, DWORD cbData, DWORD* returned)>;
    // A Set answer: look at the bytes sent, return the status.
    using SetHandler = std::function<HRESULT(const std::vector<BYTE>& sent)>;

    // Registers the answers; QuerySupported then reports the direction with S_OK.
    void OnGet(DWORD id, GetHandler handler);
    void OnSet(DWORD id, SetHandler handler = nullptr);
    // Answers a Get with these bytes (as many as fit) and S_OK.
    void OnGetBytes(DWORD id, std::vector<BYTE> bytes);
    // Overrides what QuerySupported answers for `id`.
    void OverrideQuery(DWORD id, HRESULT hr, DWORD support);
    // Every call from the n-th on (1-based, all kinds counted) fails with `hr`, as when the
    // camera is pulled out.
    void FailFromCall(size_t n, HRESULT hr = HRESULT_DEVICE_NOT_CONNECTED) {
        m_failFrom = n;
        m_failStatus = hr;
    }

    // Calls of one kind only, in order; Query calls are often noise to a test.
    std::vector<Call> Calls(Kind kind) const;
    std::vector<Call> Transfers() const;  // Get and Set, in order

    std::vector<Call> m_calls;

    // IKsPropertySet
    HRESULT Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData) override;
    HRESULT Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

private:
    bool Failing() const { return m_failFrom != 0 && m_calls.size() >= m_failFrom; }

    std::map<DWORD, GetHandler> m_gets;
    std::map<DWORD, SetHandler> m_sets;
    std::map<DWORD, std::pair<HRESULT, DWORD>> m_queryOverrides;
    size_t m_failFrom = 0;
    HRESULT m_failStatus = S_OK;
};

// CComObject: the reference-counted implementation base. The interfaces listed as template
// arguments form the QueryInterface table; further ones can be answered by QueryExtraInterface.
#pragma once

#include <atomic>
#include <tuple>
#include <utility>

#include "ComPtr.h"
#include "ComRuntime.h"

template <class... Interfaces>
class CComObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM object offers at least one interface");
    using Primary = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        void* p = FindTableInterface(riid);
        if (!p)
            return E_NOINTERFACE;
        AddRef();
        *ppv = p;
        return S_OK;
    }
    ULONG AddRef() override { return m_cRef.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG n = m_cRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    CComObject() { com_detail::ObjectCreated(); }
    ~CComObject() override { com_detail::ObjectDestroyed(); }

    // Interfaces beyond the table, such as base interfaces of listed ones. Returns the
    // pointer without adding a reference, or null.
    virtual void* QueryExtraInterface(REFIID) { return nullptr; }

    IUnknown* Identity() { return static_cast<Primary*>(this); }

private:
    void* FindTableInterface(REFIID riid) {
        if (riid == IID_IUnknown)
            return Identity();
        void* p = nullptr;
        ((p == nullptr && riid == Interfaces::kIid ? (p = static_cast<Interfaces*>(this)) : p),
         ...);
        return p ? p : QueryExtraInterface(riid);
    }

    std::atomic<ULONG> m_cRef{1};
};

// Builds a COM object with its first reference owned by the returned holder.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> p;
    p.Attach(new T(std::forward<Args>(args)...));
    return p;
}

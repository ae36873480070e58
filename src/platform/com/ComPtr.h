// ComPtr<T>: holds one counted reference to an interface and releases it when emptied.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "Unknown.h"

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes its own reference; the caller keeps the one it had.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    // A holder of a derived object converts to a holder of one of its interfaces.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(ComPtr<U>&& other) noexcept : m_p(other.Detach()) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            ComPtr copy(other);
            Swap(copy);
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Releases what is held and returns the slot for an out-parameter to fill.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &m_p;
    }
    void** ReleaseAndGetVoidAddress() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

    // Releases the reference and empties the holder.
    void Reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Adopts a reference the caller already owns.
    void Attach(T* p) {
        Reset();
        m_p = p;
    }
    // Gives the reference to the caller, who must release it.
    [[nodiscard]] T* Detach() { return std::exchange(m_p, nullptr); }
    // Hands out a new reference through an out-parameter.
    void CopyTo(T** pp) const {
        *pp = m_p;
        if (m_p)
            m_p->AddRef();
    }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(U::kIid, out.ReleaseAndGetVoidAddress());
    }

private:
    T* m_p = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
    return a.Get() == b.Get();
}

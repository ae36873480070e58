// Memory for the simulator's large pictures: a sharp chart's planes, a rendered picture, a
// still. Values are left unset when a vector is sized (every one is written after), and from
// a few megabytes up the memory is advised into huge pages where the system offers them: the
// first touch of fresh memory otherwise costs a page fault every 4 KiB, which on a virtual
// machine adds up to tens of milliseconds a still.
#pragma once

#include <cstddef>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/com/Types.h"

void* AllocateSimMemory(size_t bytes);
// `bytes` as allocated.
void FreeSimMemory(void* p, size_t bytes) noexcept;

template <class T>
struct SimAllocator {
    using value_type = T;

    SimAllocator() = default;
    template <class U>
    SimAllocator(const SimAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > std::numeric_limits<size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateSimMemory(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { FreeSimMemory(p, n * sizeof(T)); }
    // Sized without a value: left unset.
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const SimAllocator<U>&) const noexcept {
        return true;
    }
};

using SimPlane = std::vector<float, SimAllocator<float>>;
using SimBytes = std::vector<BYTE, SimAllocator<BYTE>>;

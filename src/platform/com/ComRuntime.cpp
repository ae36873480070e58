#include "ComRuntime.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

std::atomic<long> g_liveObjects{0};
std::atomic<long> g_taskBlocks{0};
thread_local int t_initDepth = 0;

struct ClassEntry {
    CLSID clsid;
    ComClassCreator creator;
};

std::mutex& TableMutex() {
    static std::mutex m;
    return m;
}

std::vector<ClassEntry>& ClassTable() {
    static std::vector<ClassEntry> table;
    return table;
}

}  // namespace

HRESULT CoInitialize(void*) {
    return t_initDepth++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_initDepth > 0)
        --t_initDepth;
}

int CoInitializeDepth() {
    return t_initDepth;
}

void CoRegisterClass(REFCLSID clsid, ComClassCreator creator) {
    std::lock_guard lock(TableMutex());
    for (auto& e : ClassTable()) {
        if (e.clsid == clsid) {
            e.creator = creator;
            return;
        }
    }
    ClassTable().push_back({clsid, creator});
}

void CoRevokeClass(REFCLSID clsid) {
    std::lock_guard lock(TableMutex());
    auto& table = ClassTable();
    std::erase_if(table, [&](const ClassEntry& e) { return e.clsid == clsid; });
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    if ((dwClsContext & CLSCTX_INPROC) == 0)
        return E_INVALIDARG;
    ComClassCreator creator = nullptr;
    {
        std::lock_guard lock(TableMutex());
        for (const auto& e : ClassTable()) {
            if (e.clsid == clsid)
                creator = e.creator;
        }
    }
    if (!creator)
        return REGDB_E_CLASSNOTREG;
    return creator(riid, ppv);
}

void* CoTaskMemAlloc(size_t cb) {
    void* p = std::malloc(cb == 0 ? 1 : cb);
    if (p)
        g_taskBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void CoTaskMemFree(void* pv) {
    if (!pv)
        return;
    g_taskBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(pv);
}

long CoTaskMemOutstanding() {
    return g_taskBlocks.load();
}

long ComLiveObjectCount() {
    return g_liveObjects.load();
}

namespace com_detail {
void ObjectCreated() {
    g_liveObjects.fetch_add(1, std::memory_order_relaxed);
}
void ObjectDestroyed() {
    g_liveObjects.fetch_sub(1, std::memory_order_relaxed);
}
}  // namespace com_detail

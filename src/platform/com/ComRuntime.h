// The COM runtime stand-in: per-thread initialisation, one class table for
// CoCreateInstance, the task allocator, and a live-object counter for tests.
#pragma once

#include <cstddef>

#include "Unknown.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// S_OK for the thread's first initialisation, S_FALSE for a nested one; each success must be
// matched by one CoUninitialize. Object creation does not require it.
HRESULT CoInitialize(void* pvReserved);
void CoUninitialize();
// How many initialisations of the calling thread are outstanding.
int CoInitializeDepth();

// A creator returns a new object's interface `riid` through ppv, with one reference.
using ComClassCreator = HRESULT (*)(REFIID riid, void** ppv);
// Enters (or replaces) a class in the one class table; thread-safe.
void CoRegisterClass(REFCLSID clsid, ComClassCreator creator);
void CoRevokeClass(REFCLSID clsid);
// REGDB_E_CLASSNOTREG for an unknown class, CLASS_E_NOAGGREGATION when pUnkOuter is given,
// E_INVALIDARG for a context without an in-process server or handler.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         void** ppv);

// Task memory: what the platform hands out for the receiver to free, and the reverse.
void* CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(void* pv);  // null is ignored
// Blocks allocated with CoTaskMemAlloc and not yet freed, for leak checks in tests.
long CoTaskMemOutstanding();

// Objects built on CComObject that are alive now, for leak checks in tests.
long ComLiveObjectCount();

namespace com_detail {
void ObjectCreated();
void ObjectDestroyed();
}  // namespace com_detail

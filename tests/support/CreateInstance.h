// An instance of a registered creatable class, asked for interface T; failing the test unless
// creation answers S_OK.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"

template <class T>
ComPtr<T> CreateInstance(REFCLSID clsid) {
    ComPtr<T> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, T::kIid,
                               p.ReleaseAndGetVoidAddress()),
              S_OK);
    return p;
}

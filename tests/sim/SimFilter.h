// The simulated camera's filter, as the device enumerator would make it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "sim/SimCaptureBackend.h"

inline ComPtr<IBaseFilter> SimFilter(std::shared_ptr<CSimCamera> camera,
                                     const SimVideoConfig& video = {}) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CreateSimCameraFilter(std::move(camera), video, filter.ReleaseAndGetAddressOf()),
              S_OK);
    return filter;
}

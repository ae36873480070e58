// FrameIntervalList: the frame intervals a stream format offers, in 100-ns units. It owns its
// interval array, so it can be moved into a format entry but never copied. Each entry carries
// one as the format table's design has it; nothing reads it (the rate asked of the camera is
// computed from frames per second).
#pragma once

#include <memory>

#include "platform/com/Types.h"

struct FrameIntervalList {
    FrameIntervalList() = default;
    FrameIntervalList(FrameIntervalList&&) noexcept = default;
    FrameIntervalList& operator=(FrameIntervalList&&) noexcept = default;
    FrameIntervalList(const FrameIntervalList&) = delete;
    FrameIntervalList& operator=(const FrameIntervalList&) = delete;

    // 1, 5, 10, 15, 20, 25 and 30 frames per second with a 30 fps default, in a fresh array.
    static FrameIntervalList MakeStandard();

    LONGLONG defaultInterval = 0;
    std::unique_ptr<LONGLONG[]> intervals;
    LONG count = 0;
};

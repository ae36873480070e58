#include "capture/FrameIntervalList.h"

#include <iterator>

FrameIntervalList FrameIntervalList::MakeStandard() {
    static constexpr LONGLONG kRates_fps[] = {1, 5, 10, 15, 20, 25, 30};
    constexpr LONG kCount = static_cast<LONG>(std::size(kRates_fps));

    FrameIntervalList list;
    list.defaultInterval = 333333;
    list.intervals = std::make_unique<LONGLONG[]>(kCount);
    for (LONG i = 0; i < kCount; ++i)
        list.intervals[i] = 10000000 / kRates_fps[i];
    list.count = kCount;
    return list;
}

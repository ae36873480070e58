// Who follows a simulated camera's stream from outside the simulator: the application attaches
// an observer (the lens panel, sim/panel) and each filter opened on a camera gets a watch from
// it, told when that filter's stream starts and stops, and destroyed with the filter.
#pragma once

#include <memory>

class CSimCamera;

// Told on the thread that runs or stops the filter (the user-interface thread in the program);
// destroyed on whichever thread releases the filter last.
class ISimStreamWatch {
public:
    virtual ~ISimStreamWatch() = default;
    virtual void OnStreamStarted() = 0;
    virtual void OnStreamStopped() = 0;
};

class ISimStreamObserver {
public:
    virtual ~ISimStreamObserver() = default;
    // A watch over one filter's stream on `camera`; null to leave it unwatched.
    virtual std::unique_ptr<ISimStreamWatch> Watch(std::shared_ptr<CSimCamera> camera) = 0;
};

// One for the process, as the device registry is; null detaches. Filters already watched keep
// their watch.
void SetSimStreamObserver(std::shared_ptr<ISimStreamObserver> observer);
std::shared_ptr<ISimStreamObserver> GetSimStreamObserver();

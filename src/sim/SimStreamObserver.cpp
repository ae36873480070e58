#include "sim/SimStreamObserver.h"

#include <mutex>

namespace {

struct Attached {
    std::mutex mutex;
    std::shared_ptr<ISimStreamObserver> observer;
};

Attached& TheObserver() {
    static Attached attached;
    return attached;
}

}  // namespace

void SetSimStreamObserver(std::shared_ptr<ISimStreamObserver> observer) {
    Attached& attached = TheObserver();
    std::lock_guard lock(attached.mutex);
    attached.observer = std::move(observer);
}

std::shared_ptr<ISimStreamObserver> GetSimStreamObserver() {
    Attached& attached = TheObserver();
    std::lock_guard lock(attached.mutex);
    return attached.observer;
}

#include "platform/dshow/VideoWindowQuery.h"

#include <atomic>

namespace {

std::atomic<VideoRendererWindowQuery> g_query{nullptr};

}  // namespace

void SetVideoRendererWindowQuery(VideoRendererWindowQuery query) {
    g_query.store(query);
}

HWND FindVideoRendererWindow() {
    const VideoRendererWindowQuery query = g_query.load();
    return query ? query() : nullptr;
}

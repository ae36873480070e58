#include "v4l2/V4l2Cameras.h"

#include <algorithm>

#include "platform/log/Log.h"
#include "product/Product.h"
#include "v4l2/V4l2CaptureBackend.h"
#include "v4l2/V4l2Log.h"

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::vector<V4l2CameraNode> ListV4l2Cameras(IV4l2System& system,
                                            const std::vector<std::string>& taken) {
    std::vector<V4l2CameraNode> cameras;
    std::vector<std::string> names = taken;
    for (int n = 0; n < kV4l2NodeCount; ++n) {
        const std::string path = "/dev/video" + std::to_string(n);
        const std::unique_ptr<CV4l2Camera> camera = CV4l2Camera::Open(system, path);
        if (!camera)
            continue;
        const bool bSameBus = std::any_of(cameras.begin(), cameras.end(), [&](const auto& c) {
            return !camera->BusInfo().empty() && c.busInfo == camera->BusInfo();
        });
        if (bSameBus)
            continue;
        const std::string base = camera->Card().empty() ? path : camera->Card();
        std::string name = base;
        for (int copy = 2; Contains(names, name); ++copy)
            name = base + " #" + std::to_string(copy);
        names.push_back(name);
        LogDebug(kLogV4l2, "%s: \"%s\" on %s", path.c_str(), name.c_str(),
                 camera->BusInfo().c_str());
        cameras.push_back({path, camera->Card(), camera->BusInfo(), name});
    }
    return cameras;
}

std::unique_ptr<ICaptureBackend> OpenV4l2Backend(IV4l2System& system, const V4l2CameraNode& node) {
    std::unique_ptr<CV4l2Camera> camera = CV4l2Camera::Open(system, node.path);
    if (!camera)
        return nullptr;
    // Nodes are numbered as cameras come: the same node may be another camera by now.
    if (camera->Card() != node.card || camera->BusInfo() != node.busInfo) {
        LogWarning(kLogV4l2, "%s is \"%s\" on %s now, not \"%s\"", node.path.c_str(),
                   camera->Card().c_str(), camera->BusInfo().c_str(), node.name.c_str());
        return nullptr;
    }
    std::vector<V4l2Mode> modes;
    if (!camera->ListModes(modes))
        return nullptr;
    auto backend = std::make_unique<CV4l2CaptureBackend>(std::move(camera), modes);
    if (backend->Formats().empty()) {
        LogWarning(kLogV4l2, "\"%s\" offers no format that can be converted", node.name.c_str());
        return nullptr;
    }
    return backend;
}

LiveCaptureDevice V4l2CaptureDevice(IV4l2System& system, const V4l2CameraNode& node) {
    LiveCaptureDevice device;
    device.friendlyName = node.name;
    device.clsid = CLSID_V4l2Camera;
    device.makeBackend = [&system, node]() -> std::unique_ptr<ICaptureBackend> {
        return OpenV4l2Backend(system, node);
    };
    return device;
}

bool RegisterV4l2Cameras(std::string&) {
    IV4l2System& system = V4l2SystemCalls();
    for (const V4l2CameraNode& node : ListV4l2Cameras(system, {kCameraName}))
        RegisterLiveCaptureDevice(V4l2CaptureDevice(system, node));
    return true;
}

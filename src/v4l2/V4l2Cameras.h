// The real cameras: every /dev/videoN (N from 0 to 63) that is a streaming video capture node,
// once per bus (a UVC camera's second node, or every node PipeWire's layer answers, shares it),
// named by the driver's card name; a name already taken gets " #2", " #3", ... Each is listed as
// a video input device after the simulator.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vidcap/LiveCaptureDevice.h"
#include "v4l2/V4l2System.h"

// The class real cameras' filters report.
inline constexpr CLSID CLSID_V4l2Camera{
    0xC75283A3, 0xD440, 0x46EF, {0x94, 0x2D, 0xF9, 0x18, 0xFF, 0x81, 0x1F, 0x64}};

inline constexpr int kV4l2NodeCount = 64;

struct V4l2CameraNode {
    std::string path;  // "/dev/video0"
    std::string card;
    std::string busInfo;
    std::string name;  // the friendly name it is listed under
};

// The cameras in node order; `taken` holds the names other backends list.
std::vector<V4l2CameraNode> ListV4l2Cameras(IV4l2System& system,
                                            const std::vector<std::string>& taken);
// Opens the node again for a filter; null when it is gone or is now another camera, or offers
// nothing we can convert.
std::unique_ptr<ICaptureBackend> OpenV4l2Backend(IV4l2System& system, const V4l2CameraNode& node);
LiveCaptureDevice V4l2CaptureDevice(IV4l2System& system, const V4l2CameraNode& node);
// Registers every camera ListV4l2Cameras finds through the kernel; never fails.
bool RegisterV4l2Cameras(std::string& error);

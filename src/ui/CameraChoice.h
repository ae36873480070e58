// Which camera "New" looks for: the REG_SZ value "CameraName" under the settings key, the
// friendly name of a video input device ("Standard_Camera", the simulator, unless the operator
// chose another).
#pragma once

#include <string>

#include "platform/com/Types.h"

inline constexpr const char kCameraNameValue[] = "CameraName";

// The name kept, or "Standard_Camera" when none is (absent, empty or unreadable).
std::string LoadCameraName();
BOOL SaveCameraName(const std::string& name);

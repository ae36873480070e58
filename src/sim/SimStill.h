// The simulated camera's still formats: a JPEG stream of the scene at any size, and a raw
// Bayer still at full sensor size behind its 20-byte header. Internal to the firmware.
#pragma once

#include <cstddef>

#include "platform/com/Types.h"
#include "sim/SimMemory.h"
#include "sim/SimScene.h"

inline constexpr size_t kRawHeaderSize = 20;

// The scene at `lens`. Empty when the encoder fails.
SimBytes EncodeSceneJpeg(const CSimScene& scene, int width, int height, int quality,
                         const CSimScene::LensState& lens);

// Header (magic "RAW8", big-endian height at 10 and width at 12, 8 bits per sample at 16,
// the phase at 17), then width x height samples, top row first; the scene at `lens`.
SimBytes BuildRawStill(const CSimScene& scene, int width, int height, int phase,
                       const CSimScene::LensState& lens);

// CSimCamera: the simulated camera, what it is made of (clock, scene, firmware), shared by every
// filter opened on it and by the lens panel, so the lens and the firmware keep their state
// across connections, as a real camera does.
#pragma once

#include <memory>

#include "platform/com/Guid.h"
#include "sim/SimClock.h"
#include "sim/SimFirmware.h"
#include "sim/SimScene.h"

// The simulated camera's class, which its filters report.
inline constexpr CLSID CLSID_SimCamera{
    0x6E1D4C3A, 0x95B2, 0x4F0E, {0x8A, 0x61, 0x3C, 0x27, 0xD9, 0x0B, 0x54, 0xE8}};

struct SimCameraConfig {
    SimSceneConfig scene;
    SimFirmwareConfig firmware;
};

class CSimCamera {
public:
    // Without a clock the camera runs on real time.
    explicit CSimCamera(const SimCameraConfig& config = {},
                        std::shared_ptr<ISimClock> clock = nullptr);

    const SimCameraConfig& Config() const { return m_config; }
    ISimClock& Clock() const { return *m_pClock; }
    CSimScene& Scene() const { return *m_pScene; }
    CSimFirmware& Firmware() const { return *m_pFirmware; }

private:
    const SimCameraConfig m_config;
    std::shared_ptr<ISimClock> m_pClock;
    std::shared_ptr<CSimScene> m_pScene;
    std::unique_ptr<CSimFirmware> m_pFirmware;
};

#include "sim/SimCamera.h"

CSimCamera::CSimCamera(const SimCameraConfig& config, std::shared_ptr<ISimClock> clock)
    : m_config(config),
      m_pClock(clock ? std::move(clock) : std::make_shared<CSteadySimClock>()),
      m_pScene(std::make_shared<CSimScene>(config.scene)),
      m_pFirmware(std::make_unique<CSimFirmware>(m_pClock, m_pScene, config.firmware)) {}

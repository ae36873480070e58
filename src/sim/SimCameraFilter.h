// CSimCamera and CSimCameraFilter: the simulated camera and the COM object that IS it.
// CSimCamera bundles what the camera is made of (clock, scene, firmware) so that the filter,
// its pins and the lens panel share one instance. The filter answers IKsPropertySet by
// handing each call to the firmware; the filter base runs its state, and the firmware learns
// from the base's hooks when video starts and stops.
#pragma once

#include <memory>

#include "platform/dshow/FilterBase.h"
#include "platform/ks/KsPropertySet.h"
#include "sim/SimClock.h"
#include "sim/SimFirmware.h"
#include "sim/SimScene.h"

// The simulated camera's class, for the class table.
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

class CSimCameraFilter : public CFilterBase<IKsPropertySet> {
public:
    explicit CSimCameraFilter(std::shared_ptr<CSimCamera> camera);

    // The class-table creator: a filter on a new camera with the default configuration.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    CSimCamera& Camera() const { return *m_pCamera; }

    // IKsPropertySet: straight through to the firmware.
    HRESULT Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData) override;
    HRESULT Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

protected:
    // A filter released while running stops the camera's stream with it.
    ~CSimCameraFilter() override;

    // The camera alone has no pins; the capture filter adds them.
    int PinCount() override { return 0; }
    IPin* PinAt(int) override { return nullptr; }
    HRESULT OnStartStreaming() override;
    void OnStopStreaming() override;

    std::shared_ptr<CSimCamera> m_pCamera;
};

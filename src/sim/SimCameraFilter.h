// CSimCamera and CSimCameraFilter: the simulated camera and the COM object that IS it.
// CSimCamera bundles what the camera is made of (clock, scene, firmware) so that the filter,
// its pins and the lens panel share one instance. The filter answers IKsPropertySet by
// handing each call to the firmware, and IBaseFilter with a stopped/paused/running state.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/dshow/BaseFilter.h"
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

class CSimCameraFilter : public CComObject<IBaseFilter, IKsPropertySet> {
public:
    explicit CSimCameraFilter(std::shared_ptr<CSimCamera> camera);

    // The class-table creator: a filter on a new camera with the default configuration.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    CSimCamera& Camera() const { return *m_pCamera; }

    // IBaseFilter
    HRESULT GetClassID(CLSID* pClassID) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    HRESULT EnumPins(IEnumPins** ppEnum) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) override;

    // IKsPropertySet: straight through to the firmware.
    HRESULT Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData) override;
    HRESULT Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData, DWORD cbInstanceData,
                void* pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

protected:
    ~CSimCameraFilter() override;

    // State-change hooks for the streaming side; the firmware learns of video from them.
    virtual void OnStreamingStarted();
    virtual void OnStreamingStopped();

    std::shared_ptr<CSimCamera> m_pCamera;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_pGraph = nullptr;  // weak: the graph holds the filter, not the reverse
    wchar_t m_achName[128] = {};
};

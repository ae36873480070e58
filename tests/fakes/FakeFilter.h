// CFakeFilter: a filter with named pins that records its calls in the fake capture world.
// A camera has a capture pin (and optionally a preview pin); a renderer offers IVideoWindow.
#pragma once

#include <string>
#include <vector>

#include "fakes/FakePin.h"
#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CFakeFilter : public CComObject<IBaseFilter, IVideoWindow> {
public:
    explicit CFakeFilter(std::string name, BOOL bVideoWindow = FALSE);
    ~CFakeFilter() override;

    // A camera whose capture pin offers stream configuration.
    static ComPtr<CFakeFilter> MakeCamera(const std::string& name, BOOL bPreviewPin);
    // A tee: one input, a capture and a preview output.
    static ComPtr<CFakeFilter> MakeTee(const std::string& name);
    // A video renderer: one input and a window.
    static ComPtr<CFakeFilter> MakeRenderer(const std::string& name);

    CFakePin* AddPin(const std::string& name, PIN_DIRECTION dir, const GUID& category);
    CFakePin* Pin(const std::string& name) const;
    // The first output pin of that category, or null.
    CFakePin* OutputPin(const GUID& category) const;
    // Whether any pin of this filter is connected.
    bool AnyPinConnected() const;
    void DisconnectAllPins();

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // IBaseFilter
    HRESULT GetClassID(CLSID* pClassID) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    HRESULT EnumPins(IEnumPins** ppEnum) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, const wchar_t* pName) override;

    // IVideoWindow (offered only by renderers)
    HRESULT put_Left(LONG left) override;
    HRESULT get_Left(LONG* pLeft) override;
    HRESULT put_Top(LONG top) override;
    HRESULT get_Top(LONG* pTop) override;
    HRESULT get_Width(LONG* pWidth) override;
    HRESULT get_Height(LONG* pHeight) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* pVisible) override;
    HRESULT get_Caption(BSTR* pCaption) override;

    std::string m_name;
    BOOL m_bVideoWindow;
    std::vector<ComPtr<CFakePin>> m_pins;
    IFilterGraph* m_pGraph = nullptr;  // not counted, as a graph's filters hold it
    LONG m_nLeft = 0;
    LONG m_nTop = 0;
};

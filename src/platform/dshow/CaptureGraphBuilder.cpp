#include "platform/dshow/CaptureGraphBuilder.h"

#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/PinBase.h"
#include "platform/dshow/SmartTee.h"

namespace {

std::vector<ComPtr<IPin>> Pins(IBaseFilter* pFilter) {
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> e;
    if (!pFilter || FAILED(pFilter->EnumPins(e.ReleaseAndGetAddressOf())))
        return pins;
    ComPtr<IPin> pin;
    while (e->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK)
        pins.push_back(pin);
    return pins;
}

PIN_DIRECTION Direction(IPin* pin) {
    PIN_DIRECTION dir = PINDIR_INPUT;
    pin->QueryDirection(&dir);
    return dir;
}

bool IsConnected(IPin* pin) {
    ComPtr<IPin> peer;
    return pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == S_OK;
}

HRESULT Query(IUnknown* p, REFIID riid, void** ppint) {
    return p && SUCCEEDED(p->QueryInterface(riid, ppint)) ? S_OK : E_NOINTERFACE;
}

HRESULT SearchFilter(IBaseFilter* pFilter, REFIID riid, void** ppint, int depth);

// Looks on the filter an output pin feeds, and on everything downstream of that.
HRESULT SearchDownstream(IPin* pOut, REFIID riid, void** ppint, int depth) {
    ComPtr<IPin> peer;
    if (pOut->ConnectedTo(peer.ReleaseAndGetAddressOf()) != S_OK)
        return E_NOINTERFACE;
    if (Query(peer.Get(), riid, ppint) == S_OK)
        return S_OK;
    PIN_INFO info;
    if (FAILED(peer->QueryPinInfo(&info)))
        return E_NOINTERFACE;
    ComPtr<IBaseFilter> filter;
    filter.Attach(info.pFilter);
    return SearchFilter(filter.Get(), riid, ppint, depth + 1);
}

HRESULT SearchFilter(IBaseFilter* pFilter, REFIID riid, void** ppint, int depth) {
    // A cycle in a graph is a broken graph; do not chase it for ever.
    if (!pFilter || depth > 32)
        return E_NOINTERFACE;
    if (Query(pFilter, riid, ppint) == S_OK)
        return S_OK;
    const auto pins = Pins(pFilter);
    for (const auto& pin : pins) {
        if (Query(pin.Get(), riid, ppint) == S_OK)
            return S_OK;
    }
    for (const auto& pin : pins) {
        if (Direction(pin.Get()) == PINDIR_OUTPUT &&
            SearchDownstream(pin.Get(), riid, ppint, depth) == S_OK) {
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

ComPtr<IPin> FirstInputPin(IBaseFilter* pFilter) {
    for (const auto& pin : Pins(pFilter)) {
        if (Direction(pin.Get()) == PINDIR_INPUT && !IsConnected(pin.Get()))
            return pin;
    }
    return nullptr;
}

}  // namespace

ComPtr<IPin> FindOutputPin(IBaseFilter* pFilter, const GUID& category, bool bConnectedToo) {
    for (const auto& pin : Pins(pFilter)) {
        if (Direction(pin.Get()) == PINDIR_OUTPUT && PinCategory(pin.Get()) == category &&
            (bConnectedToo || !IsConnected(pin.Get()))) {
            return pin;
        }
    }
    return nullptr;
}

HRESULT CCaptureGraphBuilder::CreateInstance(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    auto builder = MakeComObject<CCaptureGraphBuilder>();
    return builder->QueryInterface(riid, ppv);
}

HRESULT CCaptureGraphBuilder::SetFiltergraph(IGraphBuilder* pfg) {
    if (!pfg)
        return E_POINTER;
    if (m_pGraph)
        return E_UNEXPECTED;  // a builder serves one graph
    m_pGraph = ComPtr<IGraphBuilder>(pfg);
    return S_OK;
}

HRESULT CCaptureGraphBuilder::GetFiltergraph(IGraphBuilder** ppfg) {
    if (!ppfg)
        return E_POINTER;
    m_pGraph.CopyTo(ppfg);
    return m_pGraph ? S_OK : E_UNEXPECTED;
}

HRESULT CCaptureGraphBuilder::FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                                            void** ppint) {
    if (!ppint)
        return E_POINTER;
    *ppint = nullptr;
    if (!pf)
        return E_POINTER;
    if (!pCategory)
        return SearchFilter(pf, riid, ppint, 0);
    ComPtr<IPin> pin = FindOutputPin(pf, *pCategory, true);
    if (!pin)
        return E_NOINTERFACE;
    if (Query(pin.Get(), riid, ppint) == S_OK)
        return S_OK;
    return SearchDownstream(pin.Get(), riid, ppint, 0);
}

HRESULT CCaptureGraphBuilder::ConnectToRenderer(IPin* pOut, IBaseFilter* pfRenderer) {
    ComPtr<IBaseFilter> renderer(pfRenderer);
    const bool bOwnRenderer = !renderer;
    if (bOwnRenderer) {
        const HRESULT hr =
            CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(renderer.ReleaseAndGetAddressOf()));
        if (FAILED(hr))
            return hr;
        const HRESULT hrAdd = m_pGraph->AddFilter(renderer.Get(), L"Video Renderer");
        if (FAILED(hrAdd))
            return hrAdd;
    }
    ComPtr<IPin> input = FirstInputPin(renderer.Get());
    const HRESULT hr = input ? m_pGraph->ConnectDirect(pOut, input.Get(), nullptr) : E_FAIL;
    if (FAILED(hr) && bOwnRenderer)
        m_pGraph->RemoveFilter(renderer.Get());
    return hr;
}

HRESULT CCaptureGraphBuilder::RenderThroughTee(IPin* pCapture, IBaseFilter* pfRenderer) {
    ComPtr<IBaseFilter> tee(MakeComObject<CSmartTee>().Get());
    HRESULT hr = m_pGraph->AddFilter(tee.Get(), L"Smart Tee");
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> teeInput = FirstInputPin(tee.Get());
    hr = m_pGraph->ConnectDirect(pCapture, teeInput.Get(), nullptr);
    if (SUCCEEDED(hr)) {
        ComPtr<IPin> teePreview = FindOutputPin(tee.Get(), PIN_CATEGORY_PREVIEW, false);
        hr = ConnectToRenderer(teePreview.Get(), pfRenderer);
    }
    if (FAILED(hr))
        m_pGraph->RemoveFilter(tee.Get());  // also breaks its connections
    return hr;
}

HRESULT CCaptureGraphBuilder::RenderStream(const GUID* pCategory, IUnknown* pSource,
                                           IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) {
    if (!pSource)
        return E_POINTER;
    if (!m_pGraph)
        return E_UNEXPECTED;
    if (pfCompressor)
        return E_NOTIMPL;  // no compressors exist here
    ComPtr<IPin> sourcePin;
    ComPtr<IBaseFilter> source;
    if (FAILED(pSource->QueryInterface(IID_IBaseFilter, source.ReleaseAndGetVoidAddress()))) {
        if (FAILED(pSource->QueryInterface(IID_IPin, sourcePin.ReleaseAndGetVoidAddress()))) {
            return E_NOINTERFACE;
        }
        return ConnectToRenderer(sourcePin.Get(), pfRenderer);
    }
    const GUID category = pCategory ? *pCategory : PIN_CATEGORY_CAPTURE;
    sourcePin = FindOutputPin(source.Get(), category, true);
    if (sourcePin) {
        if (IsConnected(sourcePin.Get()))
            return VFW_E_ALREADY_CONNECTED;
        return ConnectToRenderer(sourcePin.Get(), pfRenderer);
    }
    if (category != PIN_CATEGORY_PREVIEW)
        return E_FAIL;
    ComPtr<IPin> capture = FindOutputPin(source.Get(), PIN_CATEGORY_CAPTURE, false);
    if (!capture)
        return E_FAIL;
    const HRESULT hr = RenderThroughTee(capture.Get(), pfRenderer);
    return FAILED(hr) ? hr : VFW_S_NOPREVIEWPIN;
}

// CCaptureGraphBuilder: the capture graph builder, first version. Finds interfaces on a
// filter's pins of a category and downstream of them, and renders a preview stream to the
// default video renderer, through a Smart Tee when the source has no preview pin.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CCaptureGraphBuilder : public CComObject<ICaptureGraphBuilder> {
public:
    // The class-table creator.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    HRESULT SetFiltergraph(IGraphBuilder* pfg) override;
    HRESULT GetFiltergraph(IGraphBuilder** ppfg) override;
    HRESULT FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                          void** ppint) override;
    HRESULT RenderStream(const GUID* pCategory, IUnknown* pSource, IBaseFilter* pfCompressor,
                         IBaseFilter* pfRenderer) override;

private:
    HRESULT ConnectToRenderer(IPin* pOut, IBaseFilter* pfRenderer);
    HRESULT RenderThroughTee(IPin* pCapture, IBaseFilter* pfRenderer);

    ComPtr<IGraphBuilder> m_pGraph;
};

// The first output pin of the filter in the category that is not connected yet (any
// connection state when bConnectedToo), or null.
ComPtr<IPin> FindOutputPin(IBaseFilter* pFilter, const GUID& category, bool bConnectedToo);

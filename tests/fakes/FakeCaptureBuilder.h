// CFakeCaptureBuilder: a capture graph builder over fake filters. RenderStream for the preview
// joins the camera's preview pin to a new renderer, or, without one, splits the capture pin
// through a tee and answers VFW_S_NOPREVIEWPIN; FindInterface looks on the pin of the category
// and downstream of it.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CFakeFilter;
class CFakePin;

class CFakeCaptureBuilder : public CComObject<ICaptureGraphBuilder> {
public:
    CFakeCaptureBuilder();
    ~CFakeCaptureBuilder() override;

    HRESULT SetFiltergraph(IGraphBuilder* pfg) override;
    HRESULT GetFiltergraph(IGraphBuilder** ppfg) override;
    HRESULT FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                          void** ppint) override;
    HRESULT RenderStream(const GUID* pCategory, IUnknown* pSource, IBaseFilter* pfCompressor,
                         IBaseFilter* pfRenderer) override;

    ComPtr<IGraphBuilder> m_pGraph;

private:
    HRESULT BuildPreviewChain(CFakeFilter& camera);
    static void* FindDownstream(CFakePin& pin, REFIID riid);
};

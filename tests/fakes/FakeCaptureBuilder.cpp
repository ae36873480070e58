#include "fakes/FakeCaptureBuilder.h"

#include <string>

#include "fakes/FakeCaptureWorld.h"
#include "fakes/FakeFilter.h"

namespace {

std::string CategoryName(const GUID* category) {
    if (!category)
        return "any";
    if (*category == PIN_CATEGORY_CAPTURE)
        return "capture";
    if (*category == PIN_CATEGORY_PREVIEW)
        return "preview";
    return "other";
}

std::string InterfaceName(REFIID riid) {
    if (riid == IID_IAMStreamConfig)
        return "IAMStreamConfig";
    if (riid == IID_IAMVideoCompression)
        return "IAMVideoCompression";
    if (riid == IID_IVideoWindow)
        return "IVideoWindow";
    return GuidToString(riid);
}

CFakeFilter* AsFake(IUnknown* unknown) {
    return dynamic_cast<CFakeFilter*>(unknown);
}

}  // namespace

CFakeCaptureBuilder::CFakeCaptureBuilder() {
    if (auto* world = FakeCaptureWorld::Current())
        world->SetBuilder(this);
}

CFakeCaptureBuilder::~CFakeCaptureBuilder() {
    auto* world = FakeCaptureWorld::Current();
    if (world && world->Builder() == this)
        world->SetBuilder(nullptr);
}

HRESULT CFakeCaptureBuilder::SetFiltergraph(IGraphBuilder* pfg) {
    const HRESULT hr = FakeAnswer("Builder.SetFiltergraph", pfg ? S_OK : E_POINTER);
    if (SUCCEEDED(hr))
        m_pGraph = ComPtr<IGraphBuilder>(pfg);
    return hr;
}

HRESULT CFakeCaptureBuilder::GetFiltergraph(IGraphBuilder** ppfg) {
    if (!ppfg)
        return E_POINTER;
    m_pGraph.CopyTo(ppfg);
    return m_pGraph ? S_OK : E_UNEXPECTED;
}

void* CFakeCaptureBuilder::FindDownstream(CFakePin& pin, REFIID riid) {
    void* found = nullptr;
    if (SUCCEEDED(pin.QueryInterface(riid, &found)))
        return found;
    auto* next = dynamic_cast<CFakePin*>(pin.m_pConnected.Get());
    if (!next || !next->m_pFilter)
        return nullptr;
    if (SUCCEEDED(next->m_pFilter->QueryInterface(riid, &found)))
        return found;
    for (auto& out : next->m_pFilter->m_pins) {
        if (out->m_dir != PINDIR_OUTPUT)
            continue;
        if (void* deeper = FindDownstream(*out.Get(), riid))
            return deeper;
    }
    return nullptr;
}

HRESULT CFakeCaptureBuilder::FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                                           void** ppint) {
    const std::string call =
        "Builder.FindInterface(" + CategoryName(pCategory) + "," + InterfaceName(riid) + ")";
    if (!ppint)
        return FakeAnswer(call, E_POINTER);
    *ppint = nullptr;
    void* found = nullptr;
    if (CFakeFilter* filter = AsFake(pf)) {
        if (!pCategory && SUCCEEDED(filter->QueryInterface(riid, &found))) {
            // found on the filter itself
        } else if (CFakePin* pin = filter->OutputPin(pCategory ? *pCategory : GUID_NULL)) {
            found = FindDownstream(*pin, riid);
        }
    }
    const HRESULT hr = FakeAnswer(call, found ? S_OK : E_NOINTERFACE);
    if (FAILED(hr) || !found) {
        if (found)
            static_cast<IUnknown*>(found)->Release();
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    *ppint = found;
    return hr;
}

HRESULT CFakeCaptureBuilder::BuildPreviewChain(CFakeFilter& camera) {
    auto renderer = CFakeFilter::MakeRenderer("Renderer");
    if (CFakePin* preview = camera.OutputPin(PIN_CATEGORY_PREVIEW)) {
        m_pGraph->AddFilter(renderer.Get(), L"Video Renderer");
        CFakePin::Join(*preview, *renderer->Pin("In"));
        return S_OK;
    }
    CFakePin* capture = camera.OutputPin(PIN_CATEGORY_CAPTURE);
    if (!capture)
        return E_FAIL;
    auto tee = CFakeFilter::MakeTee("Tee");
    m_pGraph->AddFilter(tee.Get(), L"Smart Tee");
    m_pGraph->AddFilter(renderer.Get(), L"Video Renderer");
    CFakePin::Join(*capture, *tee->Pin("In"));
    CFakePin::Join(*tee->Pin("Preview"), *renderer->Pin("In"));
    return VFW_S_NOPREVIEWPIN;
}

HRESULT CFakeCaptureBuilder::RenderStream(const GUID* pCategory, IUnknown* pSource,
                                          IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) {
    const auto scripted = FakeCaptureWorld::Current()
                              ? FakeCaptureWorld::Current()->Take("Builder.RenderStream(" +
                                                                  CategoryName(pCategory) + ")")
                              : std::nullopt;
    if (scripted && FAILED(*scripted))
        return *scripted;  // builds nothing
    ComPtr<IBaseFilter> source;
    if (!pSource ||
        FAILED(pSource->QueryInterface(IID_IBaseFilter, source.ReleaseAndGetVoidAddress()))) {
        return E_INVALIDARG;
    }
    CFakeFilter* camera = AsFake(source.Get());
    if (!camera || !m_pGraph || pfCompressor || pfRenderer || !pCategory ||
        *pCategory != PIN_CATEGORY_PREVIEW) {
        return E_NOTIMPL;
    }
    const HRESULT hr = BuildPreviewChain(*camera);
    return scripted ? *scripted : hr;
}

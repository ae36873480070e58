#include "fakes/FakeFilter.h"

#include "fakes/FakeCaptureWorld.h"

namespace {

class CFakeEnumPins : public CComObject<IEnumPins> {
public:
    explicit CFakeEnumPins(std::vector<ComPtr<IPin>> pins) : m_pins(std::move(pins)) {}

    HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override {
        ULONG fetched = 0;
        while (fetched < cPins && m_next < m_pins.size())
            m_pins[m_next++].CopyTo(&ppPins[fetched++]);
        if (pcFetched)
            *pcFetched = fetched;
        for (ULONG i = fetched; i < cPins; ++i)
            ppPins[i] = nullptr;
        return fetched == cPins ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG cPins) override {
        m_next += cPins;
        return m_next <= m_pins.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        m_next = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<IPin>> m_pins;
    size_t m_next = 0;
};

}  // namespace

CFakeFilter::CFakeFilter(std::string name, BOOL bVideoWindow)
    : m_name(std::move(name)), m_bVideoWindow(bVideoWindow) {}

CFakeFilter::~CFakeFilter() {
    for (auto& pin : m_pins)
        pin->m_pFilter = nullptr;
}

ComPtr<CFakeFilter> CFakeFilter::MakeCamera(const std::string& name, BOOL bPreviewPin) {
    auto camera = MakeComObject<CFakeFilter>(name);
    camera->AddPin("Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE)->m_bStreamConfig = TRUE;
    if (bPreviewPin)
        camera->AddPin("Preview", PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW);
    return camera;
}

ComPtr<CFakeFilter> CFakeFilter::MakeTee(const std::string& name) {
    auto tee = MakeComObject<CFakeFilter>(name);
    tee->AddPin("In", PINDIR_INPUT, GUID_NULL);
    tee->AddPin("Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
    tee->AddPin("Preview", PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW);
    return tee;
}

ComPtr<CFakeFilter> CFakeFilter::MakeRenderer(const std::string& name) {
    auto renderer = MakeComObject<CFakeFilter>(name, TRUE);
    renderer->AddPin("In", PINDIR_INPUT, GUID_NULL);
    return renderer;
}

CFakePin* CFakeFilter::AddPin(const std::string& name, PIN_DIRECTION dir, const GUID& category) {
    m_pins.push_back(MakeComObject<CFakePin>(this, name, dir, category));
    return m_pins.back().Get();
}

CFakePin* CFakeFilter::Pin(const std::string& name) const {
    for (const auto& pin : m_pins)
        if (pin->m_name == name)
            return pin.Get();
    return nullptr;
}

CFakePin* CFakeFilter::OutputPin(const GUID& category) const {
    for (const auto& pin : m_pins)
        if (pin->m_dir == PINDIR_OUTPUT && pin->m_category == category)
            return pin.Get();
    return nullptr;
}

bool CFakeFilter::AnyPinConnected() const {
    for (const auto& pin : m_pins)
        if (pin->m_pConnected)
            return true;
    return false;
}

void CFakeFilter::DisconnectAllPins() {
    for (auto& pin : m_pins)
        pin->m_pConnected.Reset();
}

HRESULT CFakeFilter::QueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IVideoWindow && !m_bVideoWindow) {
        if (ppv)
            *ppv = nullptr;
        return E_NOINTERFACE;
    }
    return CComObject::QueryInterface(riid, ppv);
}

HRESULT CFakeFilter::GetClassID(CLSID* pClassID) {
    if (!pClassID)
        return E_POINTER;
    *pClassID = GUID_NULL;
    return S_OK;
}
HRESULT CFakeFilter::Stop() {
    return S_OK;
}
HRESULT CFakeFilter::Pause() {
    return S_OK;
}
HRESULT CFakeFilter::Run(REFERENCE_TIME) {
    return S_OK;
}
HRESULT CFakeFilter::GetState(DWORD, FILTER_STATE* pState) {
    if (!pState)
        return E_POINTER;
    *pState = State_Stopped;
    return S_OK;
}

HRESULT CFakeFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    const HRESULT hr = FakeAnswer(m_name + ".EnumPins", S_OK);
    if (FAILED(hr))
        return hr;
    std::vector<ComPtr<IPin>> pins;
    for (const auto& pin : m_pins)
        pins.emplace_back(static_cast<IPin*>(pin.Get()));
    *ppEnum = MakeComObject<CFakeEnumPins>(std::move(pins)).Detach();
    return hr;
}

HRESULT CFakeFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    for (size_t i = 0; i < m_name.size() && i + 1 < std::size(pInfo->achName); ++i)
        pInfo->achName[i] = static_cast<wchar_t>(m_name[i]);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT CFakeFilter::JoinFilterGraph(IFilterGraph* pGraph, const wchar_t*) {
    m_pGraph = pGraph;
    return S_OK;
}

HRESULT CFakeFilter::put_Left(LONG left) {
    m_nLeft = left;
    return S_OK;
}
HRESULT CFakeFilter::get_Left(LONG* pLeft) {
    *pLeft = m_nLeft;
    return S_OK;
}
HRESULT CFakeFilter::put_Top(LONG top) {
    m_nTop = top;
    return FakeAnswer(m_name + ".put_Top(" + std::to_string(top) + ")", S_OK);
}
HRESULT CFakeFilter::get_Top(LONG* pTop) {
    *pTop = m_nTop;
    return S_OK;
}
HRESULT CFakeFilter::get_Width(LONG* pWidth) {
    *pWidth = 640;
    return S_OK;
}
HRESULT CFakeFilter::get_Height(LONG* pHeight) {
    *pHeight = 480;
    return S_OK;
}
HRESULT CFakeFilter::put_Visible(LONG) {
    return S_OK;
}
HRESULT CFakeFilter::get_Visible(LONG* pVisible) {
    *pVisible = OATRUE;
    return S_OK;
}
HRESULT CFakeFilter::get_Caption(BSTR* pCaption) {
    *pCaption = SysAllocString(L"ActiveMovie Window");
    return S_OK;
}

#include "fakes/FakeCaptureWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "fakes/FakeGraph.h"
#include "platform/dshow/DeviceRegistry.h"

namespace {

FakeCaptureWorld* g_pWorld = nullptr;

// Every name the fakes log, here and in FakeFilter.h and FakeGraph.h.
const std::regex kCallNames(
    R"(CoCreate\.(SystemDeviceEnum|FilterGraph|CaptureGraphBuilder)|Bind\(\w+\))"
    R"(|Builder\.(SetFiltergraph|RenderStream))"
    R"(|Builder\.FindInterface\((capture|preview),)"
    R"((IVideoWindow|IAMStreamConfig|IAMVideoCompression)\))"
    R"(|Graph\.(Run|Stop|QI\((IMediaControl|IMediaEventEx)\)|(AddFilter|RemoveFilter)\(\w+\)))"
    R"(|Graph\.(Disconnect\(\w+\.\w+\)|SetNotifyWindow\(-?\d+,-?\d+\)))"
    R"(|\w+\.(EnumPins|put_Top\(-?\d+\)))"
    R"(|\w+\.\w+\.(SetFormat|GetNumberOfCapabilities|GetInfo|GetStreamCaps\(\d+\)))");

class CFakeCaptureBuilder : public CComObject<ICaptureGraphBuilder> {
public:
    HRESULT SetFiltergraph(IGraphBuilder* pfg) override {
        const HRESULT hr = FakeAnswer("Builder.SetFiltergraph", S_OK);
        if (SUCCEEDED(hr))
            m_pGraph = ComPtr<IGraphBuilder>(pfg);
        return hr;
    }
    HRESULT GetFiltergraph(IGraphBuilder**) override { return E_NOTIMPL; }

    // Looks on the pin, then on the filter it feeds, then on from that filter's "Preview" pin.
    HRESULT FindInterface(const GUID* pCategory, IBaseFilter* pf, REFIID riid,
                          void** ppint) override {
        const bool capture = *pCategory == PIN_CATEGORY_CAPTURE;
        const char* name = riid == IID_IVideoWindow      ? "IVideoWindow)"
                           : riid == IID_IAMStreamConfig ? "IAMStreamConfig)"
                                                         : "IAMVideoCompression)";
        *ppint = nullptr;
        const HRESULT hr = FakeAnswer(
            std::string("Builder.FindInterface(") + (capture ? "capture," : "preview,") + name,
            S_OK);
        for (CFakePin* pin = static_cast<CFakeFilter*>(pf)->Pin(capture ? "Capture" : "Preview");
             SUCCEEDED(hr) && pin && FAILED(pin->QueryInterface(riid, ppint)) && pin->m_pPeer;) {
            auto* next = static_cast<CFakeFilter*>(pin->m_pPeer->m_pFilter);
            pin = FAILED(next->QueryInterface(riid, ppint)) ? next->Pin("Preview") : nullptr;
        }
        return FAILED(hr) || *ppint ? hr : E_NOINTERFACE;
    }

    // Joins the camera's preview pin, or its capture pin split through a tee, to a renderer.
    HRESULT RenderStream(const GUID*, IUnknown* pSource, IBaseFilter*, IBaseFilter*) override {
        auto* camera = dynamic_cast<CFakeFilter*>(pSource);
        CFakePin* out = camera->Pin("Preview");
        const HRESULT hr = FakeAnswer("Builder.RenderStream", out ? S_OK : VFW_S_NOPREVIEWPIN);
        if (FAILED(hr))
            return hr;  // builds nothing
        if (!out) {
            auto tee = MakeComObject<CFakeFilter>(
                "Tee", std::vector<std::string>{"In", "Capture", "Preview"});
            m_pGraph->AddFilter(tee.Get(), nullptr);
            CFakePin::Join(*camera->Pin("Capture"), *tee->Pin("In"));
            out = tee->Pin("Preview");
        }
        auto renderer = MakeComObject<CFakeFilter>("Renderer", std::vector<std::string>{"In"});
        m_pGraph->AddFilter(renderer.Get(), nullptr);
        CFakePin::Join(*out, *renderer->Pin("In"));
        return hr;
    }

private:
    ComPtr<IGraphBuilder> m_pGraph;
};

template <class T>
HRESULT Make(REFIID riid, void** ppv) {
    return MakeComObject<T>()->QueryInterface(riid, ppv);
}

// A creatable class answers its scripted status; a failure creates nothing.
template <const char* kCall, ComClassCreator kCreate>
HRESULT Create(REFIID riid, void** ppv) {
    *ppv = nullptr;
    const HRESULT hr = FakeAnswer(kCall, S_OK);
    if (SUCCEEDED(hr))
        kCreate(riid, ppv);
    return hr;
}
constexpr char kDevEnum[] = "CoCreate.SystemDeviceEnum";
constexpr char kGraph[] = "CoCreate.FilterGraph";
constexpr char kBuilder[] = "CoCreate.CaptureGraphBuilder";

}  // namespace

FakeCaptureWorld::FakeCaptureWorld() {
    g_pWorld = this;
    ClearVideoInputDevices();
    CoRegisterClass(CLSID_SystemDeviceEnum, &Create<kDevEnum, &CreateSystemDeviceEnum>);
    CoRegisterClass(CLSID_FilterGraph, &Create<kGraph, &Make<CFakeGraph>>);
    CoRegisterClass(CLSID_CaptureGraphBuilder, &Create<kBuilder, &Make<CFakeCaptureBuilder>>);
}

FakeCaptureWorld::~FakeCaptureWorld() {
    for (const CLSID* clsid :
         {&CLSID_SystemDeviceEnum, &CLSID_FilterGraph, &CLSID_CaptureGraphBuilder})
        CoRevokeClass(*clsid);
    ClearVideoInputDevices();  // drops the devices' filters
    g_pWorld = nullptr;
    for (const auto& [call, answers] : m_once)
        for (const Answer& answer : answers)
            ReportNeverGiven(call, answer);
    for (const auto& [call, answer] : m_always)
        if (!answer.given)
            ReportNeverGiven(call, answer);
}

ComPtr<CFakeFilter> FakeCaptureWorld::AddDevice(const std::string& friendlyName,
                                                const std::string& filterName,
                                                const std::vector<std::string>& pins) {
    auto filter = MakeComObject<CFakeFilter>(filterName, pins);
    RegisterVideoInputDevice(friendlyName, [filter](IBaseFilter** ppFilter) {
        const HRESULT hr = FakeAnswer("Bind(" + filter->m_name + ")", S_OK);
        if (SUCCEEDED(hr))
            ComPtr<IBaseFilter>(filter.Get()).CopyTo(ppFilter);
        return hr;
    });
    return filter;
}

void FakeCaptureWorld::Script(const std::string& call, HRESULT hr, bool once,
                              std::source_location where) {
    if (!std::regex_match(call, kCallNames)) {
        ADD_FAILURE_AT(where.file_name(), where.line()) << "no fake makes a call \"" << call << '"';
        return;
    }
    if (once) {
        m_once[call].push_back({hr, where});
        return;
    }
    if (const auto it = m_always.find(call); it != m_always.end() && !it->second.given)
        ReportNeverGiven(call, it->second);
    m_always[call] = {hr, where};
}

void FakeCaptureWorld::ReportNeverGiven(const std::string& call, const Answer& answer) {
    ADD_FAILURE_AT(answer.where.file_name(), answer.where.line())
        << "the answer scripted here for \"" << call << "\" was never given";
}

int FakeCaptureWorld::CountOf(const std::string& call) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
}

bool FakeCaptureWorld::InOrder(std::initializer_list<std::string> calls) const {
    auto at = m_calls.begin();
    for (const std::string& call : calls) {
        at = std::find(at, m_calls.end(), call);
        if (at == m_calls.end())
            return false;
    }
    return true;
}

HRESULT FakeAnswer(const std::string& call, HRESULT natural) {
    FakeCaptureWorld& world = *g_pWorld;
    world.m_calls.push_back(call);
    if (const auto it = world.m_once.find(call); it != world.m_once.end() && !it->second.empty()) {
        const HRESULT hr = it->second.front().hr;
        it->second.pop_front();
        return hr;
    }
    const auto it = world.m_always.find(call);
    if (it == world.m_always.end())
        return natural;
    it->second.given = true;
    return it->second.hr;
}

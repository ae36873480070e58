#include "fakes/FakeCaptureWorld.h"

#include <algorithm>

#include "fakes/FakeCaptureBuilder.h"
#include "fakes/FakeDevEnum.h"
#include "fakes/FakeGraph.h"
#include "platform/com/ComObject.h"

namespace {

FakeCaptureWorld* g_pWorld = nullptr;

template <class T>
HRESULT CreateFake(const char* call, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    const HRESULT hr = FakeAnswer(call, S_OK);
    if (FAILED(hr))
        return hr;
    auto object = MakeComObject<T>();
    const HRESULT qi = object->QueryInterface(riid, ppv);
    return FAILED(qi) ? qi : hr;
}

HRESULT CreateDevEnum(REFIID riid, void** ppv) {
    return CreateFake<CFakeDevEnum>("CoCreate.SystemDeviceEnum", riid, ppv);
}
HRESULT CreateGraph(REFIID riid, void** ppv) {
    return CreateFake<CFakeGraph>("CoCreate.FilterGraph", riid, ppv);
}
HRESULT CreateBuilder(REFIID riid, void** ppv) {
    return CreateFake<CFakeCaptureBuilder>("CoCreate.CaptureGraphBuilder", riid, ppv);
}

}  // namespace

FakeCaptureWorld::FakeCaptureWorld() {
    g_pWorld = this;
    CoRegisterClass(CLSID_SystemDeviceEnum, &CreateDevEnum);
    CoRegisterClass(CLSID_FilterGraph, &CreateGraph);
    CoRegisterClass(CLSID_CaptureGraphBuilder, &CreateBuilder);
}

FakeCaptureWorld::~FakeCaptureWorld() {
    CoRevokeClass(CLSID_SystemDeviceEnum);
    CoRevokeClass(CLSID_FilterGraph);
    CoRevokeClass(CLSID_CaptureGraphBuilder);
    m_devices.clear();
    if (g_pWorld == this)
        g_pWorld = nullptr;
}

FakeCaptureWorld* FakeCaptureWorld::Current() {
    return g_pWorld;
}

void FakeCaptureWorld::AddDevice(const std::wstring& name, ComPtr<IBaseFilter> filter) {
    m_devices.push_back(Device{name, std::move(filter)});
}

std::optional<HRESULT> FakeCaptureWorld::Take(const std::string& call) {
    m_calls.push_back(call);
    if (auto it = m_once.find(call); it != m_once.end() && !it->second.empty()) {
        const HRESULT hr = it->second.front();
        it->second.pop_front();
        return hr;
    }
    if (auto it = m_always.find(call); it != m_always.end())
        return it->second;
    return std::nullopt;
}

int FakeCaptureWorld::CountOf(const std::string& call) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
}

int FakeCaptureWorld::IndexOf(const std::string& call) const {
    const auto it = std::find(m_calls.begin(), m_calls.end(), call);
    return it == m_calls.end() ? -1 : static_cast<int>(it - m_calls.begin());
}

HRESULT FakeAnswer(const std::string& call, HRESULT natural) {
    return g_pWorld ? g_pWorld->Answer(call, natural) : natural;
}

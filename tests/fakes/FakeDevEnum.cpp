#include "fakes/FakeDevEnum.h"

#include <string>
#include <vector>

#include "fakes/FakeCaptureWorld.h"

namespace {

class CFakePropertyBag : public CComObject<IPropertyBag> {
public:
    CFakePropertyBag(std::string prefix, std::wstring name)
        : m_prefix(std::move(prefix)), m_name(std::move(name)) {}

    HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
        const bool known = pszPropName && std::wstring(pszPropName) == L"FriendlyName";
        const HRESULT hr = FakeAnswer(m_prefix + ".Read", known ? S_OK : E_INVALIDARG);
        if (FAILED(hr))
            return hr;
        pVar->vt = VT_BSTR;
        pVar->bstrVal = SysAllocString(m_name.c_str());
        return hr;
    }
    HRESULT Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    std::string m_prefix;
    std::wstring m_name;
};

class CFakeMoniker : public CComObject<IMoniker> {
public:
    CFakeMoniker(size_t index, FakeCaptureWorld::Device device)
        : m_prefix("Moniker" + std::to_string(index)), m_device(std::move(device)) {}

    HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        const HRESULT hr = FakeAnswer(m_prefix + ".BindToObject", m_device.filter ? S_OK : E_FAIL);
        if (FAILED(hr))
            return hr;
        return m_device.filter->QueryInterface(riid, ppv);
    }
    HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        const HRESULT hr = FakeAnswer(m_prefix + ".BindToStorage",
                                      riid == IID_IPropertyBag ? S_OK : E_NOINTERFACE);
        if (FAILED(hr))
            return hr;
        *ppv = static_cast<IPropertyBag*>(
            MakeComObject<CFakePropertyBag>(m_prefix, m_device.name).Detach());
        return hr;
    }

private:
    std::string m_prefix;
    FakeCaptureWorld::Device m_device;
};

class CFakeEnumMoniker : public CComObject<IEnumMoniker> {
public:
    explicit CFakeEnumMoniker(std::vector<ComPtr<IMoniker>> monikers)
        : m_monikers(std::move(monikers)) {}

    HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
        ULONG fetched = 0;
        while (fetched < celt && m_next < m_monikers.size())
            m_monikers[m_next++].CopyTo(&rgelt[fetched++]);
        for (ULONG i = fetched; i < celt; ++i)
            rgelt[i] = nullptr;
        if (pceltFetched)
            *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override {
        m_next += celt;
        return m_next <= m_monikers.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::vector<ComPtr<IMoniker>> m_monikers;
    size_t m_next = 0;
};

}  // namespace

HRESULT CFakeDevEnum::CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                            DWORD) {
    if (!ppEnumMoniker)
        return E_POINTER;
    *ppEnumMoniker = nullptr;
    FakeCaptureWorld* world = FakeCaptureWorld::Current();
    const bool any =
        world && clsidDeviceClass == CLSID_VideoInputDeviceCategory && !world->Devices().empty();
    const HRESULT hr = FakeAnswer("DevEnum.CreateClassEnumerator", any ? S_OK : S_FALSE);
    if (hr != S_OK || !world)
        return hr;
    std::vector<ComPtr<IMoniker>> monikers;
    for (size_t i = 0; i < world->Devices().size(); ++i) {
        ComPtr<IMoniker> moniker;
        moniker.Attach(MakeComObject<CFakeMoniker>(i, world->Devices()[i]).Detach());
        monikers.push_back(std::move(moniker));
    }
    *ppEnumMoniker = MakeComObject<CFakeEnumMoniker>(std::move(monikers)).Detach();
    return hr;
}

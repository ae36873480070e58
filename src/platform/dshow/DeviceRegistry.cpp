#include "platform/dshow/DeviceRegistry.h"

#include "platform/dshow/ComEnumerator.h"

#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"

namespace {

struct DeviceEntry {
    DWORD cookie = 0;
    std::string name;
    // Shared so a moniker outlives the device's registration.
    std::shared_ptr<const VideoDeviceCreator> creator;
};

struct Registry {
    std::mutex mutex;
    std::vector<DeviceEntry> devices;
    DWORD nextCookie = 1;
};

Registry& Devices() {
    static Registry registry;
    return registry;
}

class CDevicePropertyBag : public CComObject<IPropertyBag> {
public:
    explicit CDevicePropertyBag(std::string name) : m_name(std::move(name)) {}

    HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
        if (!pszPropName || !pVar)
            return E_POINTER;
        if (std::wcscmp(pszPropName, L"FriendlyName") != 0)
            return E_INVALIDARG;
        if (pVar->vt != VT_EMPTY && pVar->vt != VT_BSTR)
            return E_FAIL;
        BSTR text = SysAllocStringFromUtf8(m_name);
        if (!text)
            return E_OUTOFMEMORY;
        pVar->vt = VT_BSTR;
        pVar->bstrVal = text;
        return S_OK;
    }
    HRESULT Write(LPCOLESTR, VARIANT*) override { return E_ACCESSDENIED; }

private:
    const std::string m_name;
};

class CDeviceMoniker : public CComObject<IMoniker> {
public:
    explicit CDeviceMoniker(const DeviceEntry& entry)
        : m_name(entry.name), m_pCreator(entry.creator) {}

    HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riidResult, void** ppvResult) override {
        if (!ppvResult)
            return E_POINTER;
        *ppvResult = nullptr;
        ComPtr<IBaseFilter> filter;
        const HRESULT hr = (*m_pCreator)(filter.ReleaseAndGetAddressOf());
        if (FAILED(hr))
            return hr;
        if (!filter)
            return E_FAIL;
        return filter->QueryInterface(riidResult, ppvResult);
    }
    HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppvObj) override {
        if (!ppvObj)
            return E_POINTER;
        *ppvObj = nullptr;
        auto bag = MakeComObject<CDevicePropertyBag>(m_name);
        return bag->QueryInterface(riid, ppvObj);
    }

private:
    const std::string m_name;
    const std::shared_ptr<const VideoDeviceCreator> m_pCreator;
};

class CMonikerEnum : public CComEnumerator<IEnumMoniker, IMoniker> {
public:
    using CComEnumerator::CComEnumerator;

    HRESULT Clone(IEnumMoniker** ppenum) override {
        if (!ppenum)
            return E_POINTER;
        auto clone = MakeComObject<CMonikerEnum>(m_items);
        clone->m_next = m_next;
        *ppenum = clone.Detach();
        return S_OK;
    }
};

class CSystemDeviceEnum : public CComObject<ICreateDevEnum> {
public:
    HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                  DWORD) override {
        if (!ppEnumMoniker)
            return E_POINTER;
        *ppEnumMoniker = nullptr;
        // Only video input devices exist here; any other category is simply empty.
        if (clsidDeviceClass != CLSID_VideoInputDeviceCategory)
            return S_FALSE;
        std::vector<DeviceEntry> snapshot;
        {
            Registry& registry = Devices();
            std::lock_guard lock(registry.mutex);
            snapshot = registry.devices;
        }
        if (snapshot.empty())
            return S_FALSE;
        std::vector<ComPtr<IMoniker>> monikers;
        for (const DeviceEntry& entry : snapshot)
            monikers.push_back(MakeComObject<CDeviceMoniker>(entry));
        *ppEnumMoniker = MakeComObject<CMonikerEnum>(std::move(monikers)).Detach();
        return S_OK;
    }
};

}  // namespace

DWORD RegisterVideoInputDevice(const std::string& friendlyName, VideoDeviceCreator creator) {
    Registry& registry = Devices();
    std::lock_guard lock(registry.mutex);
    const DWORD cookie = registry.nextCookie++;
    registry.devices.push_back(
        {cookie, friendlyName, std::make_shared<const VideoDeviceCreator>(std::move(creator))});
    return cookie;
}

void UnregisterVideoInputDevice(DWORD cookie) {
    Registry& registry = Devices();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.devices, [cookie](const DeviceEntry& e) { return e.cookie == cookie; });
}

void ClearVideoInputDevices() {
    Registry& registry = Devices();
    std::lock_guard lock(registry.mutex);
    registry.devices.clear();
}

HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    auto devEnum = MakeComObject<CSystemDeviceEnum>();
    return devEnum->QueryInterface(riid, ppv);
}

#include "platform/vidcap/LiveCaptureDevice.h"

#include "platform/com/ComRuntime.h"
#include "platform/dshow/DShowLog.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/log/Log.h"

namespace {

std::wstring Widen(const std::string& utf8) {
    BSTR text = SysAllocStringFromUtf8(utf8);
    std::wstring wide = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return wide;
}

}  // namespace

HRESULT CreateLiveCaptureFilter(const LiveCaptureDevice& device, IBaseFilter** ppFilter) {
    if (!ppFilter)
        return E_POINTER;
    *ppFilter = nullptr;
    std::unique_ptr<ICaptureBackend> backend = device.makeBackend();
    if (!backend) {
        LogWarning(kLogDShow, "\"%s\" cannot be opened", device.friendlyName.c_str());
        return VFW_E_NOT_FOUND;
    }
    if (backend->Formats().empty()) {
        LogWarning(kLogDShow, "\"%s\" lists no format it can deliver", device.friendlyName.c_str());
        return E_INVALIDARG;
    }
    const std::wstring name = Widen(device.friendlyName);
    auto filter = MakeComObject<CLiveCaptureFilter>(device.clsid, name.c_str(), std::move(backend),
                                                    device.options);
    *ppFilter = static_cast<IBaseFilter*>(filter.Detach());
    return S_OK;
}

DWORD RegisterLiveCaptureDevice(LiveCaptureDevice device) {
    const std::string name = device.friendlyName;
    return RegisterVideoInputDevice(name, [device = std::move(device)](IBaseFilter** ppFilter) {
        return CreateLiveCaptureFilter(device, ppFilter);
    });
}

#include "platform/dshow/PinBase.h"

#include <cwchar>

#include "platform/dshow/DShowLog.h"
#include "platform/log/Log.h"

CPinCore::CPinCore(IBaseFilter* pOwner, PIN_DIRECTION dir, const wchar_t* name,
                   const GUID& category)
    : m_pOwner(pOwner), m_dir(dir), m_category(category) {
    if (name)
        std::wcsncpy(m_achName, name, std::size(m_achName) - 1);
}

CPinCore::~CPinCore() {
    FreeMediaType(m_mt);
}

bool CPinCore::IsConnected() const {
    std::lock_guard lock(m_mutex);
    return static_cast<bool>(m_pPeer);
}

bool CPinCore::CopyConnectionType(AM_MEDIA_TYPE& mt) const {
    std::lock_guard lock(m_mutex);
    if (!m_pPeer)
        return false;
    return CopyMediaType(mt, m_mt);
}

HRESULT CPinCore::Deliver(const BYTE* pData, ULONG cbData, REFERENCE_TIME tStart) {
    ComPtr<IFrameInputPin> input;
    {
        std::lock_guard lock(m_mutex);
        input = m_pPeerInput;
    }
    // The reference taken above keeps the receiver alive even if the UI disconnects it now.
    if (!input)
        return S_FALSE;
    return input->Receive(pData, cbData, tStart);
}

HRESULT CPinCore::GetMediaType(int, AM_MEDIA_TYPE&) {
    return VFW_S_NO_MORE_ITEMS;
}

void CPinCore::Attach(IPin* pPeer, const AM_MEDIA_TYPE& mt) {
    AM_MEDIA_TYPE copy{};
    const bool copied = CopyMediaType(copy, mt);
    ComPtr<IFrameInputPin> input;
    if (m_dir == PINDIR_OUTPUT)
        pPeer->QueryInterface(IID_IFrameInputPin, input.ReleaseAndGetVoidAddress());
    {
        std::lock_guard lock(m_mutex);
        m_pPeer = ComPtr<IPin>(pPeer);
        m_pPeerInput = std::move(input);
        FreeMediaType(m_mt);
        m_mt = copied ? copy : AM_MEDIA_TYPE{};
    }
    OnConnected();
}

HRESULT CPinCore::TryConnect(IPin* pReceivePin, const AM_MEDIA_TYPE& mt) {
    if (CheckMediaType(mt) != S_OK) {
        LogDebug(kLogDShow, "pin %s: Connect: %s is not one it carries", LogName(m_achName).c_str(),
                 LogMediaType(mt).c_str());
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const HRESULT hr = pReceivePin->ReceiveConnection(Self(), &mt);
    if (FAILED(hr))
        return hr;
    Attach(pReceivePin, mt);
    return S_OK;
}

HRESULT CPinCore::DoConnect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    const HRESULT hr = ConnectTo(pReceivePin, pmt);
    LogDebug(kLogDShow, "pin %s: Connect (%s): 0x%08X", LogName(m_achName).c_str(),
             pmt ? LogMediaType(*pmt).c_str() : "any type", LogStatus(hr));
    return hr;
}

HRESULT CPinCore::ConnectTo(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    if (!pReceivePin)
        return E_POINTER;
    if (m_dir != PINDIR_OUTPUT)
        return E_UNEXPECTED;
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    PIN_DIRECTION peerDir = PINDIR_OUTPUT;
    if (FAILED(pReceivePin->QueryDirection(&peerDir)) || peerDir != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    // A complete type is tried alone; a partial one (null format) filters the proposals.
    if (pmt && pmt->formattype != GUID_NULL)
        return TryConnect(pReceivePin, *pmt);
    for (int i = 0;; ++i) {
        AM_MEDIA_TYPE mt{};
        if (GetMediaType(i, mt) != S_OK) {
            FreeMediaType(mt);
            break;
        }
        const bool wanted =
            !pmt || ((pmt->majortype == GUID_NULL || pmt->majortype == mt.majortype) &&
                     (pmt->subtype == GUID_NULL || pmt->subtype == mt.subtype));
        const HRESULT hr = wanted ? TryConnect(pReceivePin, mt) : VFW_E_TYPE_NOT_ACCEPTED;
        FreeMediaType(mt);
        if (hr == S_OK)
            return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CPinCore::DoReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    const HRESULT hr = AcceptConnection(pConnector, pmt);
    LogDebug(kLogDShow, "pin %s: ReceiveConnection (%s): 0x%08X", LogName(m_achName).c_str(),
             pmt ? LogMediaType(*pmt).c_str() : "no type", LogStatus(hr));
    return hr;
}

HRESULT CPinCore::AcceptConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    if (!pConnector || !pmt)
        return E_POINTER;
    if (m_dir != PINDIR_INPUT)
        return E_UNEXPECTED;
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (CheckMediaType(*pmt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    Attach(pConnector, *pmt);
    return S_OK;
}

HRESULT CPinCore::DoDisconnect() {
    ComPtr<IPin> peer;
    ComPtr<IFrameInputPin> input;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pPeer)
            return S_FALSE;
        peer = std::move(m_pPeer);
        input = std::move(m_pPeerInput);
        FreeMediaType(m_mt);
        m_mt = AM_MEDIA_TYPE{};
    }
    OnDisconnected();
    // The peer's references go last, outside the lock: they may be the last on its filter.
    return S_OK;
}

HRESULT CPinCore::DoConnectedTo(IPin** ppPin) {
    if (!ppPin)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *ppPin = nullptr;
    if (!m_pPeer)
        return VFW_E_NOT_CONNECTED;
    m_pPeer.CopyTo(ppPin);
    return S_OK;
}

HRESULT CPinCore::DoConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *pmt = AM_MEDIA_TYPE{};
    if (!m_pPeer)
        return VFW_E_NOT_CONNECTED;
    return CopyMediaType(*pmt, m_mt) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPinCore::DoQueryPinInfo(PIN_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    pInfo->pFilter = m_pOwner;
    m_pOwner->AddRef();
    pInfo->dir = m_dir;
    std::wmemcpy(pInfo->achName, m_achName, std::size(m_achName));
    return S_OK;
}

HRESULT CPinCore::DoQueryDirection(PIN_DIRECTION* pPinDir) {
    if (!pPinDir)
        return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT CPinCore::DoKsGet(REFGUID set, DWORD id, void* pPropData, DWORD cbPropData,
                          DWORD* pcbReturned) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY || m_category == GUID_NULL)
        return E_PROP_ID_UNSUPPORTED;
    if (!pPropData || !pcbReturned)
        return E_POINTER;
    if (cbPropData < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(pPropData) = m_category;
    *pcbReturned = sizeof(GUID);
    return S_OK;
}

HRESULT CPinCore::DoKsQuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY || m_category == GUID_NULL)
        return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport)
        *pTypeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

GUID PinCategory(IPin* pPin) {
    ComPtr<IKsPropertySet> props;
    if (!pPin ||
        FAILED(pPin->QueryInterface(IID_IKsPropertySet, props.ReleaseAndGetVoidAddress()))) {
        return GUID_NULL;
    }
    GUID category{};
    DWORD cb = 0;
    if (props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category,
                   &cb) != S_OK ||
        cb != sizeof category) {
        return GUID_NULL;
    }
    return category;
}

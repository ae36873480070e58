// CPinBase: a pin of one of the stand-in's filters. The pin has no reference count of its
// own: it lives exactly as long as its filter and counts on it, so a pin held by a caller
// (or by a connected peer) keeps its filter alive. CPinCore holds the connection logic.
#pragma once

#include <mutex>

#include "platform/com/ComObject.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/StreamInterfaces.h"
#include "platform/ks/KsPropertySet.h"

inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = static_cast<HRESULT>(0x00040103u);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);

class CPinCore {
public:
    // pOwner is weak (see above); category GUID_NULL means the pin reports none.
    CPinCore(IBaseFilter* pOwner, PIN_DIRECTION dir, const wchar_t* name, const GUID& category);
    virtual ~CPinCore();
    CPinCore(const CPinCore&) = delete;
    CPinCore& operator=(const CPinCore&) = delete;

    bool IsConnected() const;
    const GUID& Category() const { return m_category; }
    PIN_DIRECTION Direction() const { return m_dir; }
    // A deep copy of the connection's media type into mt; false when not connected.
    bool CopyConnectionType(AM_MEDIA_TYPE& mt) const;
    // Hands a sample to the connected input pin on the caller's thread; S_FALSE when
    // nothing is connected that takes samples.
    HRESULT Deliver(const BYTE* pData, ULONG cbData, REFERENCE_TIME tStart);

protected:
    virtual IPin* Self() = 0;
    // S_OK for a type this pin can carry, VFW_E_TYPE_NOT_ACCEPTED otherwise.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    // An output pin's proposals, in order of preference, filled into a media type the
    // caller frees; VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int index, AM_MEDIA_TYPE& mt);
    virtual void OnConnected() {}
    virtual void OnDisconnected() {}

    HRESULT DoConnect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt);
    HRESULT DoReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt);
    HRESULT DoDisconnect();
    HRESULT DoConnectedTo(IPin** ppPin);
    HRESULT DoConnectionMediaType(AM_MEDIA_TYPE* pmt);
    HRESULT DoQueryPinInfo(PIN_INFO* pInfo);
    HRESULT DoQueryDirection(PIN_DIRECTION* pPinDir);
    HRESULT DoKsGet(REFGUID set, DWORD id, void* pPropData, DWORD cbPropData, DWORD* pcbReturned);
    HRESULT DoKsQuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport);

    IBaseFilter* const m_pOwner;

private:
    // The untraced bodies of DoConnect and DoReceiveConnection.
    HRESULT ConnectTo(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt);
    HRESULT AcceptConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt);
    HRESULT TryConnect(IPin* pReceivePin, const AM_MEDIA_TYPE& mt);
    void Attach(IPin* pPeer, const AM_MEDIA_TYPE& mt);

    const PIN_DIRECTION m_dir;
    const GUID m_category;
    wchar_t m_achName[128] = {};
    mutable std::mutex m_mutex;  // the streaming thread reads the peer while the UI connects
    ComPtr<IPin> m_pPeer;
    ComPtr<IFrameInputPin> m_pPeerInput;
    AM_MEDIA_TYPE m_mt{};
};

// Pin categories are answered through IKsPropertySet (AMPROPSETID_Pin), as capture pins do.
template <class... Extra>
class CPinBase : public CComObject<IPin, IKsPropertySet, Extra...>, public CPinCore {
public:
    CPinBase(IBaseFilter* pOwner, PIN_DIRECTION dir, const wchar_t* name,
             const GUID& category = GUID_NULL)
        : CPinCore(pOwner, dir, name, category) {}
    // The filter deletes its pins when it goes.
    ~CPinBase() override = default;

    ULONG AddRef() override { return m_pOwner->AddRef(); }
    ULONG Release() override { return m_pOwner->Release(); }

    HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override {
        return DoConnect(pReceivePin, pmt);
    }
    HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override {
        return DoReceiveConnection(pConnector, pmt);
    }
    HRESULT Disconnect() override { return DoDisconnect(); }
    HRESULT ConnectedTo(IPin** ppPin) override { return DoConnectedTo(ppPin); }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* pmt) override { return DoConnectionMediaType(pmt); }
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override { return DoQueryPinInfo(pInfo); }
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override { return DoQueryDirection(pPinDir); }

    HRESULT Set(REFGUID set, DWORD, void*, DWORD, void*, DWORD) override {
        return set == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
    }
    HRESULT Get(REFGUID set, DWORD id, void*, DWORD, void* pPropData, DWORD cbPropData,
                DWORD* pcbReturned) override {
        return DoKsGet(set, id, pPropData, cbPropData, pcbReturned);
    }
    HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) override {
        return DoKsQuerySupported(set, id, pTypeSupport);
    }

protected:
    IPin* Self() override { return this; }
};

// Reads the category a pin reports, GUID_NULL when it reports none.
GUID PinCategory(IPin* pPin);

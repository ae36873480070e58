// A filter that does nothing but exist: every IBaseFilter method answers E_NOTIMPL. Further
// interfaces listed as template arguments are implemented by the deriving fake.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/dshow/FilterInterfaces.h"

template <class... Extra>
class TFakeFilterStub : public CComObject<IBaseFilter, Extra...> {
public:
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT Stop() override { return E_NOTIMPL; }
    HRESULT Pause() override { return E_NOTIMPL; }
    HRESULT Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT JoinFilterGraph(IFilterGraph*, const wchar_t*) override { return E_NOTIMPL; }
};

// A camera filter without the driver's property interface.
using CFakeFilterStub = TFakeFilterStub<>;

// Interfaces between the stand-in's own filters: samples handed from an output pin to the
// input pin it feeds, and events a filter raises into its graph's queue.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win/WinTypes.h"

// Offered by input pins that take samples. Receive runs on the sender's streaming thread;
// the data is valid only during the call, so a receiver that keeps it copies it.
struct IFrameInputPin : IUnknown {
    static constexpr IID kIid{
        0x7A2C1E90, 0x3B4D, 0x4E6F, {0x91, 0x0A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F, 0x70}};
    // A failure tells the sender that streaming cannot go on.
    virtual HRESULT Receive(const BYTE* pData, ULONG cbData, REFERENCE_TIME tStart) = 0;
};

// Offered by the filter graph to its filters. Thread-safe.
struct IMediaEventSink : IUnknown {
    static constexpr IID kIid{
        0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    virtual HRESULT Notify(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;
};

inline constexpr const IID& IID_IFrameInputPin = IFrameInputPin::kIid;
inline constexpr const IID& IID_IMediaEventSink = IMediaEventSink::kIid;

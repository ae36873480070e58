// Frames a renderer hands on to whoever watches the preview (the sharpness measurement), and
// the marks a preview window draws over its frames. The renderers offer both on their filter;
// nothing is added to the graph for them.
#pragma once

#include <mutex>

#include "platform/com/Unknown.h"
#include "platform/dshow/VideoFrame.h"

// Told of every frame the renderer takes while it runs, on the streaming thread. It must return
// quickly: the preview waits for it.
class IFrameSink {
public:
    virtual void OnFrame(const VideoFrameRef& frame) = 0;

protected:
    // Never deleted through this; virtual so that a sink class need not be final to build.
    virtual ~IFrameSink() = default;
};

struct IFrameTap : IUnknown {
    static constexpr IID kIid{
        0x3E0B7C52, 0x91A4, 0x4C1D, {0x8B, 0x63, 0x5A, 0x27, 0xD0, 0x14, 0xE9, 0x6F}};
    // Null stops the telling. When it returns, no call into the sink it replaced is running
    // or will be made, so the sink may go.
    virtual HRESULT SetFrameSink(IFrameSink* pSink) = 0;
};

// A rectangle drawn over the preview, in the video's own pixels (rows top-down).
struct PreviewMark {
    LONG left = 0, top = 0, width = 0, height = 0;
    DWORD rgb = 0;  // 0xRRGGBB
};

struct IPreviewMarks : IUnknown {
    static constexpr IID kIid{
        0x5C7D2E18, 0x6B3F, 0x4A90, {0xA2, 0x1E, 0x7F, 0x40, 0xC3, 0x85, 0x0D, 0x9B}};
    // Replaces the marks; none clears them. Any thread.
    virtual HRESULT SetMarks(const PreviewMark* pMarks, ULONG count) = 0;
};

inline constexpr const IID& IID_IFrameTap = IFrameTap::kIid;
inline constexpr const IID& IID_IPreviewMarks = IPreviewMarks::kIid;

// What a renderer keeps for its tap: the sink, guarded so that replacing it waits for a frame
// being told. Offer runs on the streaming thread.
class CFrameTapSlot {
public:
    void SetSink(IFrameSink* pSink);
    // Tells the sink of a frame of the connection's type; nothing when no sink is set or the
    // type is not one a sink understands.
    void Offer(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData);

private:
    std::mutex m_mutex;
    IFrameSink* m_pSink = nullptr;
};

#include "platform/dshow/FrameTap.h"

void CFrameTapSlot::SetSink(IFrameSink* pSink) {
    std::lock_guard lock(m_mutex);
    m_pSink = pSink;
}

void CFrameTapSlot::Offer(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData) {
    std::lock_guard lock(m_mutex);
    VideoFrameRef frame;
    if (m_pSink && DescribeVideoFrame(mt, pData, cbData, frame))
        m_pSink->OnFrame(frame);
}

#include "capture/FormatEntry.h"

#include <utility>

CFormatEntry::CFormatEntry(LONG capabilityIndex, const AM_MEDIA_TYPE& mediaType,
                           const VIDEOINFOHEADER& videoInfo, const VIDEO_STREAM_CONFIG_CAPS& caps,
                           FrameIntervalList frameIntervals)
    : m_nCapabilityIndex(capabilityIndex),
      m_mediaType(mediaType),
      m_videoInfo(videoInfo),
      m_caps(caps),
      m_frameIntervals(std::move(frameIntervals)) {
    m_mediaType.pUnk = nullptr;
    m_mediaType.cbFormat = 0;
    m_mediaType.pbFormat = nullptr;
}

// CFormatEntry: one stream capability of the capture pin, kept in the format table with the
// index under which the pin reported it.
#pragma once

#include "capture/FrameIntervalList.h"
#include "platform/dshow/MediaTypes.h"

class CFormatEntry {
public:
    // The media type is copied without its format block and object: those belong to the
    // platform's media type, which is freed right after the fill, so the copy keeps no pointer
    // that would dangle. The format block itself is kept whole in m_videoInfo.
    CFormatEntry(LONG capabilityIndex, const AM_MEDIA_TYPE& mediaType,
                 const VIDEOINFOHEADER& videoInfo, const VIDEO_STREAM_CONFIG_CAPS& caps,
                 FrameIntervalList frameIntervals);
    CFormatEntry(const CFormatEntry&) = delete;
    CFormatEntry& operator=(const CFormatEntry&) = delete;
    virtual ~CFormatEntry() = default;

    DWORD Compression() const { return m_videoInfo.bmiHeader.biCompression; }
    LONG Width() const { return m_videoInfo.bmiHeader.biWidth; }
    LONG Height() const { return m_videoInfo.bmiHeader.biHeight; }

    LONG m_nCapabilityIndex = 0;
    AM_MEDIA_TYPE m_mediaType;
    VIDEOINFOHEADER m_videoInfo;
    VIDEO_STREAM_CONFIG_CAPS m_caps;
    FrameIntervalList m_frameIntervals;
};

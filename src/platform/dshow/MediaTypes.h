// The published capture structures: media types, video format blocks, stream capabilities.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win/WinTypes.h"

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate = 0;
    DWORD dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};

// A media type. The format block and pUnk belong to whoever holds the structure; a media
// type handed out by the platform lives in task memory and is freed by the receiver.
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples = FALSE;
    BOOL bTemporalCompression = FALSE;
    ULONG lSampleSize = 0;
    GUID formattype;
    IUnknown* pUnk = nullptr;
    ULONG cbFormat = 0;
    BYTE* pbFormat = nullptr;
};

struct VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG VideoStandard = 0;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    int CropGranularityX = 0;
    int CropGranularityY = 0;
    int CropAlignX = 0;
    int CropAlignY = 0;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    int OutputGranularityX = 0;
    int OutputGranularityY = 0;
    int StretchTapsX = 0;
    int StretchTapsY = 0;
    int ShrinkTapsX = 0;
    int ShrinkTapsY = 0;
    LONGLONG MinFrameInterval = 0;
    LONGLONG MaxFrameInterval = 0;
    LONG MinBitsPerSecond = 0;
    LONG MaxBitsPerSecond = 0;
};

inline constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) |
           (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

// Major type, subtypes and format types.
inline constexpr GUID MEDIATYPE_Video{
    0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_YUY2{
    0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_MJPG{
    0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_None{
    0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// Frees what a media type holds (format block, pUnk) and empties those fields.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a task-memory media type and its contents; null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
// Deep copy into task memory (format block included); false when memory runs out.
bool CopyMediaType(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src);
// A new task-memory media type holding a deep copy of src, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& src);

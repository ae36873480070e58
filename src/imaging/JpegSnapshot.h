// Decoding of the camera's JPEG stills into the 24-bit bottom-up BGR image that the snapshot
// view shows. The library reads from a file stream, so the stream passes through "Temp.jpg"
// in the current directory; one decode at a time.
#pragma once

#include <string>

#include "imaging/ImagingTypes.h"

// The library's own typedef, repeated so that jpeglib.h stays out of every file that includes
// this one.
struct jpeg_common_struct;
typedef struct jpeg_common_struct* j_common_ptr;

// Name of the transient file the stream is written to, relative to the current directory.
inline constexpr const char kJpegTempFileName[] = "Temp.jpg";

// Why a decode failed: "Temp.jpg" could not be made or written, or the stream was refused.
struct JpegFailure {
    bool bNotWritten = false;
    std::string reason;  // for a file not written: the system's words ("File too large")
};

// Decodes `length` bytes of `stream` into `image` (3 x width x height bytes, BGR, rows
// bottom-up). Nonzero only when the frame is exactly width x height with three colour
// components and no picture data is missing or garbled; stray bytes before a marker, which
// webcams leave, are no damage. "Temp.jpg" is deleted on success and after a short write; it
// is left on disk after a library error, damaged data or a stream of another size or colour
// layout. A "Temp.jpg" that is a link, or no regular file, is refused. On failure `failure`,
// when given, says why.
BOOL DecodeJpegSnapshot(const BYTE* stream, DWORD length, BYTE* image, int width, int height,
                        JpegFailure* failure = nullptr);

// The error manager's error_exit: logs the library's message as a warning (nitidor.imaging;
// the library's own output of messages it lets pass is debug output there), then jumps back
// to the recovery point of the decode in progress. Never returns to the library.
void JpegErrorExit(j_common_ptr cinfo);

// Exchanges bytes k and k + 2 for k = 0, 3, 6, ... below `count`: RGB <-> BGR in place.
void SwapRedBlue(BYTE* row, int count);

// Writing a still to a file: the developed image in a format Qt's image writers know, or what
// the camera sent for it, byte for byte after the header its kind gives it (the JPEG stream
// as it came; the raw Bayer samples as an 8-bit binary PGM). Each file is written under a temporary
// name in the target folder and renamed into place, so a failure leaves no partial file and never
// replaces a file with a broken one. Shared by the snapshot view and the command line.
#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "session/Still.h"

enum class StillFormat { Png, Jpeg, Tiff, Bmp };

struct StillFormatInfo {
    StillFormat format;
    const char* name;          // as the settings keep it: "PNG"
    const char* writerFormat;  // Qt's image writer: "png"
    const char* filter;        // as the file dialog offers it; its first suffix is the default
};

// PNG first: the default.
const std::array<StillFormatInfo, 4>& StillFormats();
const StillFormatInfo& InfoOf(StillFormat format);
// The format the file name's suffix names, whatever its case; none for another suffix.
std::optional<StillFormat> StillFormatFromPath(const QString& path);
std::optional<StillFormat> StillFormatFromName(const QString& name);

// The quality JPEG files are written at from the developed image.
inline constexpr int kStillJpegQuality = 95;

// A top-down copy of a bottom-up BGR still (rows of 3 x width bytes), as an RGB888 image;
// null when the sizes are not positive or memory is short.
QImage StillImage(const BYTE* image, int width, int height);

// Each returns true once the file is in place; otherwise `reason` says why, in words.
bool SaveStillImage(const QString& path, const QImage& image, StillFormat format, QString& reason);
// What the camera sent: the header the source's kind gives it, then the source's bytes. Fails
// for a source that holds none, or one that does not describe a still of width x height.
bool SaveStillSource(const QString& path, const CStillSource& source, int width, int height,
                     QString& reason);

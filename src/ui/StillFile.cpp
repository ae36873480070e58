#include "ui/StillFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringList>
#include <cstring>

#include "session/StillKind.h"
#include "ui/SaveFile.h"

namespace {

constexpr std::array<StillFormatInfo, 4> kFormats{{
    {StillFormat::Png, "PNG", "png", "PNG image (*.png)"},
    {StillFormat::Jpeg, "JPEG", "jpeg", "JPEG image (*.jpg *.jpeg)"},
    {StillFormat::Tiff, "TIFF", "tiff", "TIFF image (*.tif *.tiff)"},
    {StillFormat::Bmp, "BMP", "bmp", "BMP image (*.bmp)"},
}};

QStringList SuffixesOf(const StillFormatInfo& info) {
    QStringList suffixes;
    for (const QString& pattern : QString::fromLatin1(info.filter).split(' ')) {
        const qsizetype dot = pattern.indexOf(QLatin1String("*."));
        if (dot >= 0)
            suffixes << pattern.mid(dot + 2).remove(')');
    }
    return suffixes;
}

}  // namespace

const std::array<StillFormatInfo, 4>& StillFormats() {
    return kFormats;
}

const StillFormatInfo& InfoOf(StillFormat format) {
    for (const StillFormatInfo& info : kFormats) {
        if (info.format == format)
            return info;
    }
    return kFormats[0];
}

std::optional<StillFormat> StillFormatFromPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const StillFormatInfo& info : kFormats) {
        if (!suffix.isEmpty() && SuffixesOf(info).contains(suffix))
            return info.format;
    }
    return std::nullopt;
}

std::optional<StillFormat> StillFormatFromName(const QString& name) {
    for (const StillFormatInfo& info : kFormats) {
        if (name == QLatin1String(info.name))
            return info.format;
    }
    return std::nullopt;
}

QImage StillImage(const BYTE* image, int width, int height) {
    if (!image || width <= 0 || height <= 0)
        return QImage();
    QImage picture(width, height, QImage::Format_RGB888);
    if (picture.isNull())
        return picture;
    const size_t stride = size_t{3} * static_cast<size_t>(width);
    for (int y = 0; y < height; ++y) {
        // The still's first stored row is the picture's bottom row.
        const BYTE* source = image + static_cast<size_t>(height - 1 - y) * stride;
        uchar* target = picture.scanLine(y);
        for (size_t x = 0; x < stride; x += 3) {
            target[x] = source[x + 2];
            target[x + 1] = source[x + 1];
            target[x + 2] = source[x];
        }
    }
    return picture;
}

bool SaveStillImage(const QString& path, const QImage& image, StillFormat format, QString& reason) {
    reason.clear();
    if (image.isNull()) {
        reason = QStringLiteral("there is no image to write");
        return false;
    }
    const StillFormatInfo& info = InfoOf(format);
    // Encoded in memory first: then the file's own checked writes meet any failure, and its
    // reason is the system's (a full disk), not an image writer's "Unknown error".
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, info.writerFormat);
    if (format == StillFormat::Jpeg)
        writer.setQuality(kStillJpegQuality);
    if (!writer.canWrite()) {
        reason = QStringLiteral("no image writer for %1 is installed (%2)")
                     .arg(QLatin1String(info.name), writer.errorString());
        return false;
    }
    if (!writer.write(image)) {
        reason = writer.errorString();
        return false;
    }
    return SaveBytes(path, encoded.constData(), static_cast<size_t>(encoded.size()), reason);
}

bool SaveStillSource(const QString& path, const CStillSource& source, int width, int height,
                     QString& reason) {
    reason.clear();
    if (!source.pKind || !source.Data() || source.length == 0) {
        reason = QStringLiteral("the camera sent nothing else with this still");
        return false;
    }
    std::string header, why;
    if (!source.pKind->SourceHeader(source, width, height, header, why)) {
        reason = QString::fromStdString(why);
        return false;
    }
    return WriteFileAtomically(
        path,
        [&](QSaveFile& file) {
            return WriteAll(file, header.data(), header.size()) &&
                   WriteAll(file, source.Data(), source.length);
        },
        reason);
}

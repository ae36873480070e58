// Writing stills to files, each failure leaving no partial file and any earlier one as it was;
// the folder and format remembered.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <tuple>

#include "session/StillKind.h"
#include "support/FileSizeLimit.h"
#include "support/TempRegistry.h"
#include "ui/StillFile.h"
#include "ui/StillSaveSettings.h"

namespace {

// A bottom-up BGR still whose every byte is a hash of where it is: no writer compresses it.
std::vector<BYTE> TestStill(int width, int height) {
    std::vector<BYTE> still(size_t(3) * width * height);
    for (size_t i = 0; i < still.size(); ++i)
        still[i] = BYTE((uint32_t(i) * 2654435761u) >> 13);
    return still;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class StillFileTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // The folder holds exactly these names: no temporary file was left behind.
    void ExpectFolderHolds(const QStringList& names) const {
        QStringList found =
            QDir(m_dir.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        found.sort();
        QStringList expected = names;
        expected.sort();
        EXPECT_EQ(found, expected);
    }

    QTemporaryDir m_dir;
};

TEST_F(StillFileTest, TheImageIsTurnedTopDownAndRgbExactly) {
    const std::vector<BYTE> still = TestStill(5, 3);
    const QImage image = StillImage(still.data(), 5, 3);
    ASSERT_EQ(image.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const BYTE* bgr = &still[size_t(3) * ((2 - y) * 5 + x)];  // row 0 is the bottom
            EXPECT_EQ(image.pixel(x, y), qRgb(bgr[2], bgr[1], bgr[0])) << x << "," << y;
        }
    }
    EXPECT_TRUE(StillImage(nullptr, 5, 3).isNull());
    EXPECT_TRUE(StillImage(still.data(), 0, 3).isNull());
}

TEST_F(StillFileTest, EachFormatIsWrittenByQtsWriterAndReadsBack) {
    struct Case {
        const char* file;
        StillFormat format;
        const char* readAs;  // what Qt's reader finds in the file
        bool lossless;
    };
    const std::vector<BYTE> still = TestStill(36, 20);  // a width whose rows are no multiple of 4
    const QImage image = StillImage(still.data(), 36, 20);
    for (const Case& c : {Case{"still.png", StillFormat::Png, "png", true},
                          Case{"still.jpg", StillFormat::Jpeg, "jpeg", false},
                          Case{"still.tif", StillFormat::Tiff, "tiff", true},
                          Case{"still.bmp", StillFormat::Bmp, "bmp", true},
                          // The format given decides, whatever the name says.
                          Case{"still.dat", StillFormat::Png, "png", true}}) {
        SCOPED_TRACE(c.file);
        QString reason;
        ASSERT_TRUE(SaveStillImage(Path(c.file), image, c.format, reason)) << reason.toStdString();
        EXPECT_TRUE(reason.isEmpty());
        QImageReader reader(Path(c.file));
        EXPECT_EQ(reader.format(), QByteArray(c.readAs));
        const QImage back = reader.read().convertToFormat(QImage::Format_RGB888);
        ASSERT_EQ(back.size(), QSize(36, 20));
        if (c.lossless) {
            EXPECT_EQ(back, image);
        }
        QFile::remove(Path(c.file));
        ExpectFolderHolds({});
    }
}

TEST(StillFormatNamesTest, SuffixesAndNamesNameTheirFormats) {
    struct Case {
        const char* path;
        std::optional<StillFormat> format;
    };
    const Case cases[] = {
        {"a.png", StillFormat::Png},   {"a.PNG", StillFormat::Png},  {"a.jpg", StillFormat::Jpeg},
        {"a.JPEG", StillFormat::Jpeg}, {"a.tif", StillFormat::Tiff}, {"a.tiff", StillFormat::Tiff},
        {"a.bmp", StillFormat::Bmp},   {"dir.png/a", std::nullopt},  {"a.pgm", std::nullopt},
        {"a", std::nullopt},           {"a.png.txt", std::nullopt},  {".png", StillFormat::Png}};
    for (const Case& c : cases)
        EXPECT_EQ(StillFormatFromPath(QString::fromLatin1(c.path)), c.format) << c.path;
    for (const StillFormatInfo& info : StillFormats())
        EXPECT_EQ(StillFormatFromName(QString::fromLatin1(info.name)), info.format);
    EXPECT_EQ(StillFormatFromName(QStringLiteral("png")), std::nullopt);
    EXPECT_EQ(StillFormats()[0].format, StillFormat::Png);  // the default comes first
}

// A source of `kind` whose bytes start 3 into its block.
CStillSource Source(const CStillKind* kind, const BYTE* bytes, size_t length, int phase = 0) {
    CStillSource source;
    source.pKind = kind;
    source.block = std::make_unique<BYTE[]>(length + 3);
    std::copy_n(bytes, length, source.block.get() + 3);
    source.offset = 3;
    source.length = length;
    source.phase = phase;
    return source;
}

TEST_F(StillFileTest, WhatTheCameraSentIsWrittenByItsKindAsItCame) {
    std::vector<BYTE> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = BYTE(255 - i);
    QString reason;
    ASSERT_TRUE(
        SaveStillSource(Path("camera.jpg"), Source(&JpegStill(), bytes.data(), 61), 2, 2, reason));
    EXPECT_EQ(ReadFile(Path("camera.jpg")),
              QByteArray(reinterpret_cast<const char*>(bytes.data()), 61));

    const char* const names[] = {"RGGB", "GRBG", "GBRG", "BGGR"};
    for (int phase = 0; phase < 4; ++phase) {
        ASSERT_TRUE(SaveStillSource(Path("raw.pgm"), Source(&RawStill(), bytes.data(), 30, phase),
                                    6, 5, reason));
        const QByteArray header = QByteArray("P5\n# Bayer phase ") + QByteArray::number(phase) +
                                  ": " + names[phase] + "\n6 5\n255\n";
        EXPECT_EQ(ReadFile(Path("raw.pgm")),
                  header + QByteArray(reinterpret_cast<const char*>(bytes.data()), 30));
    }
    // Qt reads the header as a PGM of the samples.
    EXPECT_EQ(QImage(Path("raw.pgm")).size(), QSize(6, 5));
    // Nothing kept, or samples that are not the still's: nothing written.
    for (const auto& [name, source, height] :
         {std::tuple("none", Source(nullptr, bytes.data(), 30), 5),
          std::tuple("t.pgm", Source(&RawStill(), bytes.data(), 30), 6)}) {
        EXPECT_FALSE(SaveStillSource(Path(name), source, 6, height, reason)) << name;
        EXPECT_FALSE(reason.isEmpty());
    }
    ExpectFolderHolds({"camera.jpg", "raw.pgm"});
}

enum class Writer { Image, Stream, Samples };

bool Write(Writer writer, const QString& path, QString& reason) {
    static const std::vector<BYTE> still = TestStill(200, 150);
    switch (writer) {
        case Writer::Image:
            return SaveStillImage(path, StillImage(still.data(), 200, 150), StillFormat::Png,
                                  reason);
        case Writer::Stream:
            return SaveStillSource(path, Source(&JpegStill(), still.data(), still.size()), 0, 0,
                                   reason);
        case Writer::Samples:
            return SaveStillSource(path, Source(&RawStill(), still.data(), 200 * 150), 200, 150,
                                   reason);
    }
    return false;
}

// Each way a write fails: the reason is told, nothing partial stays, and a file that was
// there before is exactly as it was.
TEST_F(StillFileTest, EachFailureTellsWhyAndLeavesNothingPartial) {
    QDir(m_dir.path()).mkdir("still.bmp");
    QFile(Path("still.bmp/inside")).open(QIODevice::WriteOnly);
    // A folder at the name, a folder missing, and one that takes no new files, root included.
    for (const QString& target :
         {Path("still.bmp"), Path("gone/still.bmp"), QStringLiteral("/proc/still.bmp")}) {
        const QStringList before =
            QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QByteArray earlier = ReadFile(target);
        for (Writer writer : {Writer::Image, Writer::Stream, Writer::Samples}) {
            SCOPED_TRACE(testing::Message() << target.toStdString() << " " << int(writer));
            QString reason;
            EXPECT_FALSE(Write(writer, target, reason));
            EXPECT_FALSE(reason.isEmpty());
            ExpectFolderHolds(before);
            EXPECT_EQ(ReadFile(target), earlier);
        }
    }
}

// A full disk, as a file-size limit makes it: writes past it fail with EFBIG. It is met early,
// and within the last 16 KiB, where a buffered writer would meet it only at its final flush.
TEST_F(StillFileTest, AWriteThatRunsOutOfSpaceSaysWhyAndKeepsTheEarlierFile) {
    const QString target = Path("still.png");
    {
        QFile earlier(target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("the earlier still");
    }
    for (Writer writer : {Writer::Image, Writer::Stream, Writer::Samples}) {
        QString reason;
        ASSERT_TRUE(Write(writer, Path("whole"), reason));
        const qint64 whole = QFileInfo(Path("whole")).size();
        QFile::remove(Path("whole"));
        for (const qint64 limit : {qint64{4096}, whole - 100}) {
            SCOPED_TRACE(testing::Message() << int(writer) << " at " << limit << " of " << whole);
            const CFileSizeLimit limited(static_cast<rlim_t>(limit));
            ASSERT_TRUE(limited.IsSet());
            EXPECT_FALSE(Write(writer, target, reason));
            EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
            EXPECT_EQ(ReadFile(target), QByteArray("the earlier still"));
            ExpectFolderHolds({"still.png"});
        }
    }
}

TEST(StillSaveSettingsTest, FolderAndFormatAreRememberedBesideTheOtherSettings) {
    CTempRegistry registry;
    registry.Write(std::string(CTempRegistry::kHeader) + CTempRegistry::kKey +
                   "\"NoLoadFirmware\"=dword:00000001\n\"SnapshotFormat\"=\"GIF\"\n");
    StillSaveSettings settings = LoadStillSaveSettings();
    EXPECT_TRUE(settings.folder.isEmpty());
    EXPECT_EQ(settings.format, StillFormat::Png);  // not one of ours: the default

    const StillFormat tiff = StillFormat::Tiff;
    RememberStillSave(QStringLiteral("/srv/stills/Ünïcode \"quoted\""), &tiff);
    RememberStillSave(QStringLiteral("/srv/stills/other"));  // the format stays
    settings = LoadStillSaveSettings();
    EXPECT_EQ(settings.folder, QStringLiteral("/srv/stills/other"));
    EXPECT_EQ(settings.format, StillFormat::Tiff);
    const std::string text = registry.Read();
    EXPECT_NE(text.find("\"NoLoadFirmware\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"SnapshotFormat\"=\"TIFF\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"SnapshotFolder\"=\"/srv/stills/other\""), std::string::npos) << text;
}

}  // namespace

// What the imaging layer logs of a refused still; the JPEG library's words go to the log, not
// standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "TestJpegEncoder.h"
#include "fakes/RecordingLogSink.h"
#include "imaging/ImagingLog.h"
#include "imaging/JpegSnapshot.h"
#include "imaging/RawSnapshot.h"
#include "support/RawStillBlock.h"
#include "support/TempDir.h"

namespace {

TEST(ImagingLogTest, ARawStillWhoseHeaderDisagreesWithItsLengthIsWarnedWithBoth) {
    CRecordingLogSink log;
    const std::vector<BYTE> block =
        RawStillBlock(4, 4, 0, kRawHeaderBytes + 15);  // 16 samples, not 15
    RawSnapshotInfo info{};
    EXPECT_FALSE(ParseRawSnapshot(block.data(), int32_t(block.size()), info));
    EXPECT_EQ(log.Count(kLogImaging, LogLevel::Warning,
                        {"raw still refused", "4 x 4 (16 samples)", "15 bytes after"}),
              1);
}

TEST(ImagingLogTest, TheJpegLibrarysMessageGoesToTheLogNotToStandardError) {
    const CTempDir dir(CTempDir::kEnter);  // "Temp.jpg" is written here
    const BYTE notJpeg[] = {'B', 'M', 0, 0, 0, 0};
    BYTE image[3 * 4 * 4];
    CRecordingLogSink log;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DecodeJpegSnapshot(notJpeg, sizeof notJpeg, image, 4, 4));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(log.Count(kLogImaging, LogLevel::Warning, {"JPEG not decoded: Not a JPEG file"}), 1);

    // Padding before the end marker passes, and is told as debug output only.
    std::vector<BYTE> padded =
        EncodeTestJpeg(4, 4, {}, [](int, BYTE* row) { std::fill(row, row + 12, BYTE{0x80}); });
    padded.insert(padded.end() - 2, 5, 0);
    EXPECT_TRUE(DecodeJpegSnapshot(padded.data(), DWORD(padded.size()), image, 4, 4));
    EXPECT_EQ(log.Count(kLogImaging, LogLevel::Debug, {"extraneous bytes before marker 0xd9"}), 1);
    EXPECT_EQ(log.Count(kLogImaging, LogLevel::Warning, {}), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include "TestSource.h"
#include "platform/dshow/FrameConvert.h"

namespace {

struct OwnedType {
    AM_MEDIA_TYPE mt;
    explicit OwnedType(AM_MEDIA_TYPE t) : mt(t) {}
    OwnedType(OwnedType&& other) noexcept : mt(other.mt) { other.mt = AM_MEDIA_TYPE{}; }
    ~OwnedType() { FreeMediaType(mt); }
    BITMAPINFOHEADER& Bmi() { return reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader; }
};

OwnedType Yuy2Type(LONG width, LONG height) {
    OwnedType t(MakeRgb24Type(width, height));
    t.mt.subtype = MEDIASUBTYPE_YUY2;
    t.Bmi().biBitCount = 16;
    t.Bmi().biCompression = MakeFourCC('Y', 'U', 'Y', '2');
    return t;
}

TEST(FrameConvertTest, Rgb24RowsArePaddedToFourBytesAndStoredBottomUp) {
    OwnedType t(MakeRgb24Type(3, 2));  // 9 bytes of pixels, 12 per row
    EXPECT_EQ(FrameBytes(t.mt), 24u);
    BYTE data[24] = {};
    // Stored row 0 is the bottom row: its first pixel B=1 G=2 R=3.
    data[0] = 1, data[1] = 2, data[2] = 3;
    // Stored row 1 is the top row: its last pixel B=10 G=20 R=30 at bytes 12 + 6.
    data[18] = 10, data[19] = 20, data[20] = 30;
    const QImage image = ConvertFrame(t.mt, data, sizeof data);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 1), qRgb(3, 2, 1));
    EXPECT_EQ(image.pixel(2, 0), qRgb(30, 20, 10));

    t.Bmi().biHeight = -2;  // top-down: stored row 0 is on top
    const QImage topDown = ConvertFrame(t.mt, data, sizeof data);
    EXPECT_EQ(topDown.pixel(0, 0), qRgb(3, 2, 1));
    EXPECT_EQ(topDown.pixel(2, 1), qRgb(30, 20, 10));

    EXPECT_TRUE(ConvertFrame(t.mt, data, 23).isNull()) << "a short sample is refused";
}

TEST(FrameConvertTest, Yuy2UsesStudioRangeBt601) {
    OwnedType t = Yuy2Type(2, 1);
    EXPECT_EQ(FrameBytes(t.mt), 4u);
    const BYTE data[4] = {235, 128, 16, 128};  // white then black, no colour
    const QImage image = ConvertFrame(t.mt, data, sizeof data);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
    // Pure red in BT.601: Y 81, U 90, V 240.
    const BYTE red[4] = {81, 90, 81, 240};
    const QRgb p = ConvertFrame(t.mt, red, sizeof red).pixel(0, 0);
    EXPECT_GE(qRed(p), 253);
    EXPECT_LE(qGreen(p), 2);
    EXPECT_LE(qBlue(p), 2);
}

TEST(FrameConvertTest, TypesTheRendererCannotDrawAreRefused) {
    OwnedType odd = Yuy2Type(3, 2);  // YUY2 pairs pixels
    EXPECT_FALSE(IsRenderableType(odd.mt));
    OwnedType topDownYuy2 = Yuy2Type(2, -2);
    EXPECT_FALSE(IsRenderableType(topDownYuy2.mt));
    OwnedType huge(MakeRgb24Type(640, 480));
    huge.Bmi().biWidth = 0x40000000;  // stride arithmetic would overflow
    EXPECT_FALSE(IsRenderableType(huge.mt));
    OwnedType noFormat(MakeRgb24Type(640, 480));
    noFormat.mt.cbFormat = sizeof(VIDEOINFOHEADER) - 1;
    EXPECT_FALSE(IsRenderableType(noFormat.mt));
    OwnedType mjpg(MakeRgb24Type(640, 480));
    mjpg.mt.subtype = MEDIASUBTYPE_MJPG;
    EXPECT_FALSE(IsRenderableType(mjpg.mt));
}

}  // namespace

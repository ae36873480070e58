#include <gtest/gtest.h>

#include "platform/renderer/FrameConvert.h"
#include "platform/renderer/VideoRendererWindow.h"
#include "support/Rgb24Type.h"

namespace {

// A media type freed at the end of the scope.
struct OwnedType {
    AM_MEDIA_TYPE mt;
    explicit OwnedType(LONG width, LONG height, bool bYuy2 = false)
        : mt(MakeRgb24Type(width, height)) {
        if (bYuy2) {
            mt.subtype = MEDIASUBTYPE_YUY2;
            Bmi().biBitCount = 16;
            Bmi().biCompression = MakeFourCC('Y', 'U', 'Y', '2');
        }
    }
    ~OwnedType() { FreeMediaType(mt); }
    BITMAPINFOHEADER& Bmi() { return reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader; }
};

TEST(FrameConvertTest, Rgb24RowsArePaddedToFourBytesAndStoredBottomUpUnlessHeightIsNegative) {
    OwnedType t(3, 2);  // 9 bytes of pixels, 12 per row
    EXPECT_EQ(FrameBytes(t.mt), 24u);
    BYTE data[24] = {1, 2, 3};                    // stored row 0, first pixel B G R
    data[18] = 10, data[19] = 20, data[20] = 30;  // stored row 1, last pixel
    const QImage image = ConvertFrame(t.mt, data, sizeof data);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 1), qRgb(3, 2, 1));
    EXPECT_EQ(image.pixel(2, 0), qRgb(30, 20, 10));
    t.Bmi().biHeight = -2;
    const QImage topDown = ConvertFrame(t.mt, data, sizeof data);
    EXPECT_EQ(topDown.pixel(0, 0), qRgb(3, 2, 1));
    EXPECT_EQ(topDown.pixel(2, 1), qRgb(30, 20, 10));
    EXPECT_TRUE(ConvertFrame(t.mt, data, 23).isNull()) << "a short sample is refused";
}

TEST(FrameConvertTest, Yuy2UsesStudioRangeBt601) {
    OwnedType t(2, 1, true);
    EXPECT_EQ(FrameBytes(t.mt), 4u);
    const BYTE data[4] = {235, 128, 16, 128};  // white then black, no colour
    const QImage image = ConvertFrame(t.mt, data, sizeof data);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
    const BYTE red[4] = {81, 90, 81, 240};  // pure red: Y 81, U 90, V 240
    const QRgb p = ConvertFrame(t.mt, red, sizeof red).pixel(0, 0);
    EXPECT_GE(qRed(p), 253);
    EXPECT_LE(qGreen(p) + qBlue(p), 4);
}

TEST(FrameConvertTest, TypesTheRendererCannotDrawAreRefused) {
    OwnedType odd(3, 2, true), topDownYuy2(2, -2, true), huge(640, 480), noFormat(640, 480),
        mjpg(640, 480);               // YUY2 pairs pixels, and only bottom-up
    huge.Bmi().biWidth = 0x40000000;  // stride arithmetic would overflow
    noFormat.mt.cbFormat = sizeof(VIDEOINFOHEADER) - 1;
    mjpg.mt.subtype = MEDIASUBTYPE_MJPG;
    int i = 0;
    for (const OwnedType* t : {&odd, &topDownYuy2, &huge, &noFormat, &mjpg})
        EXPECT_FALSE(IsRenderableType(t->mt)) << i++;
}

}  // namespace

TEST(VideoWindowFit, TheWindowGivesUpHeightRatherThanLeaveTheScreen) {
    const QMargins frame(2, 20, 2, 2);
    struct Case {
        const char* what;
        QSize video;
        int top;
        QRect screen;
        QSize client;
    };
    const Case cases[] = {
        {"fits", {640, 480}, 400, {0, 0, 1920, 1080}, {640, 480}},
        {"too low: shorter, same shape", {640, 480}, 400, {0, 0, 1366, 768}, {461, 346}},
        {"too narrow", {640, 480}, 0, {0, 0, 324, 1000}, {320, 240}},
        {"never below a quarter", {640, 480}, 1000, {0, 0, 1366, 768}, {160, 120}},
        {"nothing to show", {0, 0}, 400, {0, 0, 800, 600}, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitVideoBelow(c.video, c.top, frame, c.screen), c.client) << c.what;
}

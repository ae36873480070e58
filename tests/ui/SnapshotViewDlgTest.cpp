// The snapshot view: its window, the image hand-over, painting and dragging, and the pan
// arithmetic on its own.
#include "ui/SnapshotViewDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <cstring>
#include <limits>

#include "EdgeRender.h"
#include "platform/mfc/DialogUnits.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowPlacement.h"
#include "ui/SnapshotPan.h"

namespace {

// Every pixel tells where it came from: column in blue (and the low half of red), row counted
// from the bottom in green (and the high half of red).
QRgb PixelAt(int column, int row) {
    return qRgb((column >> 8 & 0x0F) | (row >> 8 & 0x0F) << 4, row & 0xFF, column & 0xFF);
}

class SnapshotViewDlgTest : public ::testing::Test {
protected:
    void Hand(int width, int height) {
        m_width = width;
        m_height = height;
        auto image = std::make_unique<BYTE[]>(static_cast<size_t>(width) * height * 3);
        for (int i = 0; i < width * height; ++i) {
            const QRgb pixel = PixelAt(i % width, i / width);
            image[3 * i] = static_cast<BYTE>(qBlue(pixel));
            image[3 * i + 1] = static_cast<BYTE>(qGreen(pixel));
            image[3 * i + 2] = static_cast<BYTE>(qRed(pixel));
        }
        m_pHanded = image.get();
        m_dlg.SetImage(std::move(image), width, height);
    }
    // A shown window with a client area of 300 x 200 and an image of the given size.
    void Open(int width, int height) {
        ASSERT_TRUE(m_dlg.Create());
        m_dlg.resize(300, 200);
        Hand(width, height);
        m_dlg.ShowWindow();
    }
    void ExpectPan(int x, int y) const {
        EXPECT_EQ(m_dlg.m_nPanX, x);
        EXPECT_EQ(m_dlg.m_nPanY, y);
    }
    // Paints (which clamps the offsets) and checks that what was drawn is the part of the
    // image the offsets select, one to one, bottom-up, at the client's top-left.
    void PaintAndCheck() {
        const QImage shot = m_dlg.grab().toImage();
        const int drawn_width = std::min(m_width, m_dlg.width());
        const int drawn_height = std::min(m_height, m_dlg.height());
        for (int y = 0; y < std::min(drawn_height, shot.height()); ++y) {
            for (int x = 0; x < std::min(drawn_width, shot.width()); ++x) {
                const QRgb expected =
                    PixelAt(m_dlg.m_nPanX + x, m_dlg.m_nPanY + drawn_height - 1 - y);
                ASSERT_EQ(shot.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF) << x << "," << y;
            }
        }
        const QRgb background = m_dlg.palette().window().color().rgb();
        EXPECT_TRUE(drawn_width >= shot.width() || shot.pixel(drawn_width, 0) == background);
        EXPECT_TRUE(drawn_height >= shot.height() || shot.pixel(0, drawn_height) == background);
    }
    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, m_dlg.mapToGlobal(point), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&m_dlg, &event);
    }

    CSnapshotViewDlg m_dlg;
    int m_width = 0;
    int m_height = 0;
    BYTE* m_pHanded = nullptr;
};

TEST_F(SnapshotViewDlgTest, CreateHandOverCloseAndDestroy) {
    ASSERT_TRUE(m_dlg.Create());
    EXPECT_FALSE(m_dlg.Create());
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint),
              Qt::WindowMaximizeButtonHint);
    EXPECT_LT(m_dlg.minimumWidth(), m_dlg.maximumWidth());  // a sizing border
    const CDialogUnits units = CDialogUnits::FromFontName("System", 10);
    EXPECT_EQ(m_dlg.size(), QSize(units.ToPixelsX(368), units.ToPixelsY(271)));
    // Not a transient of the dialog, so a modal box over the dialog leaves it usable.
    EXPECT_EQ(m_dlg.windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(m_dlg.parent(), nullptr);  // the dialog must never delete it

    Hand(20, 10);
    m_dlg.m_nPanX = 12;
    m_dlg.m_nPanY = -4;
    Hand(37, 23);  // releases the first; a width that is no multiple of 4
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);
    const BITMAPINFOHEADER expected{40, 37, 23, 1, 24};  // every other field zero
    EXPECT_EQ(std::memcmp(&m_dlg.m_bmih, &expected, sizeof expected), 0);
    ExpectPan(12, -4);  // kept until the next paint
    m_dlg.ShowWindow();
    PaintAndCheck();  // smaller than the window: at the top-left, not panned
    ExpectPan(0, 0);

    // Closing hides, also in the middle of a drag, without leaving the mouse captured.
    Mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&m_dlg, &escape);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    m_dlg.ShowWindow();
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);

    EXPECT_TRUE(m_dlg.DestroyWindow());
    EXPECT_EQ(m_dlg.m_pImage, nullptr);
    EXPECT_FALSE(m_dlg.IsCreated());
    EXPECT_FALSE(m_dlg.DestroyWindow());
}

// Where the first show puts the view, clear of the windows the operator works in, is the
// end-to-end suite's to see and PlaceClear's to compute. A place kept from an earlier run wins,
// brought back on the screen, the frame guessed from the main dialog's before the view has one.
TEST_F(SnapshotViewDlgTest, OpensWhereItWasLeftBroughtBackOnTheScreen) {
    CWinApp app;
    QWidget dialog;
    dialog.setGeometry(600, 400, 100, 80);
    dialog.show();
    app.m_pMainWnd = &dialog;
    const QSize frame = dialog.frameGeometry().size() - dialog.size();
    ASSERT_TRUE(m_dlg.Create());
    m_dlg.resize(250, 200);
    Hand(50, 50);
    WindowPlace place;
    EXPECT_FALSE(m_dlg.GetPlace(place)) << "nowhere before it is shown";
    m_dlg.ShowWindow();
    m_dlg.move(40, 300);  // where the operator puts it
    ASSERT_TRUE(m_dlg.GetPlace(place));
    EXPECT_EQ(QRect(place.nLeft, place.nTop, place.nWidth, place.nHeight),
              QRect(40, 300, 250, 200));
    m_dlg.DestroyWindow();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    CSnapshotViewDlg next;
    next.RememberPlace({screen.right() - 100, 40, 250, 200});  // the screen has shrunk since
    ASSERT_TRUE(next.Create());
    next.ShowWindow();
    EXPECT_EQ(next.frameGeometry(), QRect(screen.right() + 1 - 250 - frame.width(), 40,
                                          250 + frame.width(), 200 + frame.height()));
    next.DestroyWindow();
}

TEST_F(SnapshotViewDlgTest, OnlyTheLeftButtonDragsAndItCapturesTheMouse) {
    Open(1001, 903);
    m_dlg.m_nPanX = 300;
    m_dlg.m_nPanY = 200;
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseMove, {150, 160}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ExpectPan(300, 200);
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(QWidget::mouseGrabber(), &m_dlg);
    Mouse(QEvent::MouseMove, {130, 100}, Qt::NoButton, Qt::LeftButton);
    ExpectPan(270, 200);  // the picture follows the mouse
    Mouse(QEvent::MouseMove, {130, 130}, Qt::NoButton, Qt::LeftButton);
    ExpectPan(270, 230);
    Mouse(QEvent::MouseButtonRelease, {130, 130}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // Clamped at each paint as SnapshotPan computes; the end-to-end suite pans to every corner.
    PaintAndCheck();
}

TEST(SnapshotPan, OffsetsEndBetweenZeroAndTheSurplusAndDragsSaturate) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    struct Case {
        int image, window, pan_before, pan_after, drawn;
    };
    for (const Case c :
         {Case{300, 400, 5, 0, 300}, Case{400, 400, kMax, 0, 400}, Case{1000, 400, 599, 599, 400},
          Case{1000, 400, 601, 600, 400}, Case{1000, 400, -1, 0, 400},
          Case{1000, 400, kMax, 600, 400}, Case{1000, 400, kMin, 0, 400}, Case{0, 400, 3, 0, 0}}) {
        int pan = c.pan_before;
        EXPECT_EQ(ClampSnapshotPanAxis(c.image, c.window, pan), c.drawn) << c.pan_before;
        EXPECT_EQ(pan, c.pan_after) << c.image << " " << c.pan_before;
    }
    int pan_x = kMin + 10;
    int pan_y = kMax - 10;
    DragSnapshotPan(30, 30, pan_x, pan_y);
    EXPECT_EQ(pan_x, kMin);
    EXPECT_EQ(pan_y, kMax);
}

}  // namespace

namespace {

// A 640 x 480 still with a slanted edge in each corner and none in the centre, as the camera
// hands it over.
std::unique_ptr<BYTE[]> StillWithCornerEdges() {
    const std::vector<uint8_t> still =
        reference::BottomUpStill(reference::RegionChart(640, 480, {0, 1, 1, 1, 1}));
    auto image = std::make_unique<BYTE[]>(still.size());
    std::copy(still.begin(), still.end(), image.get());
    return image;
}

TEST_F(SnapshotViewDlgTest, MeasureSharpnessOutlinesTheRegionsWhereTheyLieUntilTheNextStill) {
    ASSERT_TRUE(m_dlg.Create());
    m_dlg.resize(300, 200);
    m_dlg.SetImage(StillWithCornerEdges(), 640, 480);
    m_dlg.ShowWindow();
    m_dlg.m_nPanY = 480 - 200;  // the still's top rows
    m_dlg.OnMeasureSharpness();
    ASSERT_NE(m_dlg.Sharpness(), nullptr);
    const QString values = m_dlg.SharpnessBox()->text();
    EXPECT_TRUE(m_dlg.SharpnessBox()->isVisible());
    // No edge in the centre; the end-to-end suite reads the five values of a whole chart.
    EXPECT_TRUE(values.contains(QStringLiteral("C \u2014"))) << values.toStdString();

    // The top-left region is 80 pixels square at (56, 32) of the still: its outline's left
    // edge at column 56 (a 2-pixel pen inside it), moving with the pan.
    const SfrRect tl = SfrRegionRect(SfrRegion::TopLeft, 640, 480);
    const QRgb measured = 0xFF1F78D1;
    for (int pan_x : {0, 20}) {
        m_dlg.m_nPanX = pan_x;
        const QImage shot = m_dlg.grab().toImage();
        const int mid_y = tl.top + tl.height / 2;
        EXPECT_EQ(shot.pixel(tl.left + 1 - pan_x, mid_y), measured) << pan_x;
        EXPECT_NE(shot.pixel(tl.left - 2 - pan_x, mid_y), measured) << pan_x;
    }
    Hand(640, 480);  // the next still
    EXPECT_EQ(m_dlg.Sharpness(), nullptr);
    EXPECT_FALSE(m_dlg.SharpnessBox()->isVisible());
    m_dlg.m_nPanX = 0;
    m_dlg.m_nPanY = 280;
    PaintAndCheck();  // no outline left over
}

}  // namespace

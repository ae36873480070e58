#include "ui/SnapshotViewDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "ui/DialogUnits.h"

namespace {

QApplication* EnsureApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return app;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);  // kept for the whole run
}

// Every pixel tells where it came from: column in blue (and the low half of red), row counted
// from the bottom in green (and the high half of red).
QRgb PixelAt(int column, int row) {
    return qRgb((column >> 8 & 0x0F) | (row >> 8 & 0x0F) << 4, row & 0xFF, column & 0xFF);
}

std::unique_ptr<BYTE[]> MakeImage(int width, int height) {
    auto image = std::make_unique<BYTE[]>(static_cast<size_t>(width) * height * 3);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const QRgb pixel = PixelAt(column, row);
            BYTE* p = &image[(static_cast<size_t>(row) * width + column) * 3];
            p[0] = static_cast<BYTE>(qBlue(pixel));
            p[1] = static_cast<BYTE>(qGreen(pixel));
            p[2] = static_cast<BYTE>(qRed(pixel));
        }
    }
    return image;
}

// The offscreen platform cannot grab the mouse and says so at every grab; Qt still records
// the grabbing widget, which is what the tests look at.
QtMessageHandler g_previousHandler = nullptr;
void QuietAboutGrabs(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QStringLiteral("grabbing the mouse")) && g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

class SnapshotViewDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureApplication();
        g_previousHandler = qInstallMessageHandler(QuietAboutGrabs);
    }
    static void TearDownTestSuite() { qInstallMessageHandler(g_previousHandler); }

    // A shown window with a client area of 300 x 200 and an image of the given size.
    void Open(int image_width, int image_height) {
        ASSERT_TRUE(m_dlg.Create());
        m_dlg.resize(300, 200);
        Hand(image_width, image_height);
        m_dlg.ShowWindow();
        ASSERT_TRUE(m_dlg.isVisible());
    }
    void Hand(int image_width, int image_height) {
        m_width = image_width;
        m_height = image_height;
        auto image = MakeImage(image_width, image_height);
        m_pHanded = image.get();
        m_dlg.SetImage(std::move(image), image_width, image_height);
    }
    int OuterWidth() const { return m_dlg.frameGeometry().width(); }
    int OuterHeight() const { return m_dlg.frameGeometry().height(); }

    // Paints (which clamps the offsets) and checks that what was drawn is the part of the
    // image the offsets select, one to one, with its top-left at the client's top-left.
    void PaintAndCheck() {
        const QImage shot = m_dlg.grab().toImage();
        const int pan_x = m_dlg.m_nPanX;
        const int pan_y = m_dlg.m_nPanY;
        ASSERT_GE(pan_x, 0);
        ASSERT_LE(pan_x, std::max(0, m_width - OuterWidth()));
        ASSERT_GE(pan_y, 0);
        ASSERT_LE(pan_y, std::max(0, m_height - OuterHeight()));
        const int drawn_width = std::min(m_width, OuterWidth());
        const int drawn_height = std::min(m_height, OuterHeight());
        const int shown_width = std::min(drawn_width, shot.width());
        const int shown_height = std::min(drawn_height, shot.height());
        for (int y = 0; y < shown_height; ++y) {
            for (int x = 0; x < shown_width; ++x) {
                const QRgb expected = PixelAt(pan_x + x, pan_y + drawn_height - 1 - y);
                ASSERT_EQ(shot.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF)
                    << "client " << x << "," << y;
            }
        }
        const QRgb background = m_dlg.palette().window().color().rgb();
        if (drawn_width < shot.width()) {
            EXPECT_EQ(shot.pixel(drawn_width, 0), background);
        }
        if (drawn_height < shot.height()) {
            EXPECT_EQ(shot.pixel(0, drawn_height), background);
        }
    }

    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, m_dlg.mapToGlobal(point), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&m_dlg, &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&m_dlg, &press);
    }

    CSnapshotViewDlg m_dlg;
    int m_width = 0;
    int m_height = 0;
    BYTE* m_pHanded = nullptr;
};

TEST_F(SnapshotViewDlgTest, CreateMakesOneHiddenWindowOfTheTemplate) {
    QWidget owner;
    owner.winId();
    ASSERT_TRUE(m_dlg.Create(&owner));
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Snapshot View"));
    const Qt::WindowFlags flags = m_dlg.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_LT(m_dlg.minimumWidth(), m_dlg.maximumWidth());  // a sizing border
    const CDialogUnits units = CDialogUnits::FromFontName("System", 10);
    EXPECT_EQ(m_dlg.size(), QSize(units.ToPixelsX(368), units.ToPixelsY(271)));
    EXPECT_EQ(m_dlg.windowHandle()->transientParent(), owner.windowHandle());
    EXPECT_EQ(m_dlg.parent(), nullptr);  // the owner must never delete it
    EXPECT_FALSE(m_dlg.Create(&owner));
    EXPECT_TRUE(m_dlg.DestroyWindow());
}

TEST_F(SnapshotViewDlgTest, SetImageTakesOverTheImageAndKeepsPanAndDragState) {
    ASSERT_TRUE(m_dlg.Create());
    m_dlg.m_nPanX = 12;
    m_dlg.m_nPanY = -4;
    Hand(37, 23);  // a width that is no multiple of 4
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);
    const BITMAPINFOHEADER& bmih = m_dlg.m_bmih;
    EXPECT_EQ(bmih.biSize, 40u);
    EXPECT_EQ(bmih.biWidth, 37);
    EXPECT_EQ(bmih.biHeight, 23);
    EXPECT_EQ(bmih.biPlanes, 1);
    EXPECT_EQ(bmih.biBitCount, 24);
    EXPECT_EQ(bmih.biCompression | bmih.biSizeImage | bmih.biClrUsed | bmih.biClrImportant, 0u);
    EXPECT_EQ(bmih.biXPelsPerMeter | bmih.biYPelsPerMeter, 0);

    Hand(20, 10);
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);
    EXPECT_EQ(m_dlg.m_bmih.biWidth, 20);
    EXPECT_EQ(m_dlg.m_nPanX, 12);
    EXPECT_EQ(m_dlg.m_nPanY, -4);
    EXPECT_FALSE(m_dlg.m_bDragging);
}

TEST_F(SnapshotViewDlgTest, ImageSmallerThanTheWindowSitsTopLeftAndDoesNotPan) {
    Open(50, 37);
    m_dlg.m_nPanX = 7;
    m_dlg.m_nPanY = -3;
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 0);
    EXPECT_EQ(m_dlg.m_nPanY, 0);
    Drag({20, 20}, {50, 50});
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 0);
    EXPECT_EQ(m_dlg.m_nPanY, 0);

    // As wide as the client area: still within the outer width, so it cannot be panned.
    Hand(m_dlg.width(), 37);
    m_dlg.m_nPanX = 5;
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 0);
}

TEST_F(SnapshotViewDlgTest, LargerImageShowsItsLowerLeftFirstAndPansWithTheMouseCaptured) {
    Open(1001, 903);
    // The window's frame counts: the outer size is what the clamping works with.
    EXPECT_GT(OuterWidth(), m_dlg.width());
    EXPECT_GT(OuterHeight(), m_dlg.height());
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 0);
    EXPECT_EQ(m_dlg.m_nPanY, 0);

    m_dlg.m_nPanX = 300;
    m_dlg.m_nPanY = 200;
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), &m_dlg);
    Mouse(QEvent::MouseMove, {130, 100}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(m_dlg.m_nPanX, 270);
    EXPECT_EQ(m_dlg.m_nPanY, 200);
    Mouse(QEvent::MouseMove, {130, 130}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(m_dlg.m_nPanX, 270);
    EXPECT_EQ(m_dlg.m_nPanY, 230);
    Mouse(QEvent::MouseButtonRelease, {130, 130}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    PaintAndCheck();
}

TEST_F(SnapshotViewDlgTest, DraggingPastAnEdgeIsPutBackAtTheNextPaint) {
    Open(1001, 903);
    const int max_x = m_width - OuterWidth();
    const int max_y = m_height - OuterHeight();
    m_dlg.m_nPanX = 10;
    m_dlg.m_nPanY = max_y - 10;
    PaintAndCheck();
    Drag({100, 100}, {130, 130});
    EXPECT_EQ(m_dlg.m_nPanX, -20);  // out of range until painted
    EXPECT_EQ(m_dlg.m_nPanY, max_y + 20);
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 0);
    EXPECT_EQ(m_dlg.m_nPanY, max_y);
    Drag({100, 100}, {95, 95});  // back again, from the limits
    EXPECT_EQ(m_dlg.m_nPanX, 5);
    EXPECT_EQ(m_dlg.m_nPanY, max_y - 5);

    m_dlg.m_nPanX = max_x;
    Drag({100, 100}, {60, 100});
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, max_x);
}

TEST_F(SnapshotViewDlgTest, NewImageKeepsTheOffsetsClampedToItsSize) {
    Open(1001, 903);
    m_dlg.m_nPanX = 600;
    m_dlg.m_nPanY = 500;
    PaintAndCheck();
    Hand(701, 602);
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);
    EXPECT_EQ(m_dlg.m_nPanX, 600);
    EXPECT_EQ(m_dlg.m_nPanY, 500);
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 701 - OuterWidth());
    EXPECT_EQ(m_dlg.m_nPanY, 602 - OuterHeight());

    m_dlg.resize(500, 400);  // a larger window: the next paint clamps again
    PaintAndCheck();
    EXPECT_EQ(m_dlg.m_nPanX, 701 - OuterWidth());
    EXPECT_EQ(m_dlg.m_nPanY, 602 - OuterHeight());
}

TEST_F(SnapshotViewDlgTest, MovementWithoutTheLeftButtonDownChangesNothing) {
    Open(1001, 903);
    m_dlg.m_nPanX = 300;
    m_dlg.m_nPanY = 200;
    Mouse(QEvent::MouseMove, {130, 130}, Qt::NoButton, Qt::LeftButton);  // pressed elsewhere
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseMove, {150, 160}, Qt::NoButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, {150, 160}, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(m_dlg.m_nPanX, 300);
    EXPECT_EQ(m_dlg.m_nPanY, 200);
}

TEST_F(SnapshotViewDlgTest, ClosingHidesTheWindowAndTheNextShowBringsItBack) {
    Open(64, 48);
    m_dlg.close();
    EXPECT_FALSE(m_dlg.isVisible());
    m_dlg.ShowWindow();
    ASSERT_TRUE(m_dlg.isVisible());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(m_dlg.isVisible());
    m_dlg.ShowWindow();
    Key(Qt::Key_Return);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.IsCreated());
    EXPECT_EQ(m_dlg.m_pImage.get(), m_pHanded);

    // Closed in the middle of a drag: the mouse is not left captured.
    m_dlg.ShowWindow();
    Mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(m_dlg.m_bDragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(SnapshotViewDlgTest, DestroyingTheWindowReleasesTheImage) {
    Open(64, 48);
    EXPECT_TRUE(m_dlg.DestroyWindow());
    EXPECT_EQ(m_dlg.m_pImage, nullptr);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsCreated());
    EXPECT_FALSE(m_dlg.DestroyWindow());
    const QImage shot = m_dlg.grab().toImage();  // painting without an image draws nothing
    EXPECT_EQ(shot.pixel(0, 0), m_dlg.palette().window().color().rgb());
    EXPECT_TRUE(m_dlg.Create());
}

}  // namespace

// The main dialog and its focus history: what the dialog hands the history, and its menu.
#include <QLineEdit>
#include <QMenu>

#include "FocusDlgFixture.h"
#include "fakes/ScriptedCamera.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/renderer/VideoRenderer.h"
#include "platform/renderer/VideoRendererWindow.h"
#include "session/FocusFigure.h"
#include "sim/SimCameraRegistration.h"
#include "support/SpinUntil.h"
#include "ui/RegionReadout.h"

namespace {

class FocusDlgHistoryTest : public FocusDlgFixture {
protected:
    const CFocusHistory& History() { return dlg->FocusHistory().History(); }
    // Lets the dialog's own timer run until the history holds `count` more figures.
    bool WaitForFigures(size_t count) {
        const size_t target = History().Count() + count;
        return SpinUntil([&] { return History().Count() >= target; });
    }
    std::string LatestAsShown() { return FormatFocusValue(History().Latest()->value); }
    QAction* MenuItem(const QString& text) {
        for (QAction* action : dlg->ContextMenu()->actions()) {
            if (action->text() == text)
                return action;
            if (QMenu* sub = action->menu()) {
                for (QAction* item : sub->actions()) {
                    if (item->text() == text)
                        return item;
                }
            }
        }
        return nullptr;
    }
    std::vector<PreviewMark> Outlines() {
        auto* shown = dynamic_cast<CVideoRendererWindow*>(
            WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle)));
        return shown ? shown->Marks() : std::vector<PreviewMark>{};
    }
};

TEST_F(FocusDlgHistoryTest, TakesExactlyTheFiguresTheReadOutShows) {
    CScriptedCamera camera;
    session.TakeDevice(std::make_unique<CCaptureDevice>(ComPtr<IBaseFilter>(camera.filter.Get())));
    camera.PostFocus(0x8000);
    Tick();
    camera.PostFocus(77, 0x0000'0100);  // not ready: neither shown nor charted
    Tick();
    camera.PostFocus(-5);
    Tick();
    ASSERT_EQ(History().Count(), 2u);
    EXPECT_EQ(History().At(0).value, 0x8000);
    EXPECT_EQ(History().At(1).value, -5);
    EXPECT_EQ(TextOf(IDC_FOCUS), LatestAsShown());
    EXPECT_EQ(dlg->FocusHistory().FigureReadout()->text().toStdString(), "-5");
    EXPECT_EQ(History().OverflowCount(), 1u);
}

TEST_F(FocusDlgHistoryTest, FollowsNewStartStopAndSnapshots) {
    UseSimulatedCamera();
    CFocusHistoryWnd& history = dlg->FocusHistory();
    Press(IDC_NEW);
    EXPECT_FALSE(history.isVisible());
    Press(IDC_STARTSTOP);
    EXPECT_TRUE(history.isVisible()) << "it opens with the preview";
    ASSERT_TRUE(WaitForFigures(3));
    EXPECT_EQ(TextOf(IDC_FOCUS), LatestAsShown());
    EXPECT_FALSE(History().At(1).bAfterPause);

    Press(IDC_STARTSTOP);  // Stop
    EXPECT_TRUE(History().IsPaused());
    EXPECT_TRUE(history.isVisible()) << "the figures stay to be read";
    EXPECT_EQ(history.FigureReadout()->text().toStdString(), kPreviewStoppedText);  // not live
    Press(IDC_STARTSTOP);  // Start again: the same history, the peak over
    EXPECT_FALSE(History().HasPeak());
    ASSERT_TRUE(WaitForFigures(1));
    EXPECT_TRUE(History().Latest()->bAfterPause);
    EXPECT_TRUE(History().HasPeak());

    ASSERT_TRUE(WaitForFigures(1));
    EXPECT_FALSE(History().Latest()->bAfterPause);
    Press(IDC_SNAPSHOT);
    ASSERT_EQ(pauses.size(), 1u) << "the still was taken";
    ASSERT_TRUE(WaitForFigures(1));
    EXPECT_TRUE(History().Latest()->bAfterPause) << "the still held the preview";

    Press(IDC_STARTSTOP);
    Press(IDC_NEW);
    EXPECT_EQ(History().Count(), 0u);
    EXPECT_EQ(history.FigureReadout()->text().toStdString(), "");
}

TEST_F(FocusDlgHistoryTest, TheDialogsMenuShowsAndHidesItAndCloseRemembersIt) {
    auto* menu = dlg->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Focus &History", "Region &Outlines", "Preview &Rate", "Ca&mera",
                                  "", "&Close", "", "&About Nitidor..."}));

    QAction* item = menu->actions().front();
    item->trigger();
    EXPECT_TRUE(dlg->FocusHistory().isVisible());
    item->trigger();
    EXPECT_FALSE(dlg->FocusHistory().isVisible());
    dlg->DestroyWindow();
    const std::string text = m_registry.Read();
    EXPECT_NE(text.find("\"FocusHistory\"=dword:00000000"), std::string::npos) << text;
}

TEST_F(FocusDlgHistoryTest, EachMeasurementOfTheRegionsIsChartedOnceAndOutlinedOnThePreview) {
    UseSimulatedCamera();
    Press(IDC_NEW);
    EXPECT_EQ(Session().PreviewRate(), 1) << "the stated rate unless chosen otherwise";
    Press(IDC_STARTSTOP);
    ASSERT_TRUE(SpinUntil([&] { return History().RegionCount() >= 1; }));
    // At one frame a second the read-out ticks ten times a frame: a reading is taken once.
    ASSERT_TRUE(SpinUntil([&] { return History().Count() >= History().RegionCount() + 5; }));
    EXPECT_LE(History().RegionCount(), Session().Meter().FramesMeasured());
    // Each region outlined where it lies, in the colour of the state the history shows.
    auto outlinedAsShown = [&] {
        const RegionSharpness* latest = dlg->FocusHistory().LatestRegions();
        const std::vector<PreviewMark> marks = Outlines();
        if (!latest || marks.size() != size_t(kSfrRegionCount))
            return false;
        for (int r = 0; r < kSfrRegionCount; ++r) {
            const SfrRect rect = SfrRegionRect(SfrRegion(r), 640, 480);
            const RegionState state =
                RegionStateOf(latest->regions[r], History().RegionPeak(SfrRegion(r)));
            if (marks[r].left != rect.left || marks[r].top != rect.top ||
                marks[r].width != rect.width || marks[r].height != rect.height ||
                marks[r].rgb != (RegionStateRgb(state) & 0xFFFFFF))
                return false;
        }
        return true;
    };
    EXPECT_TRUE(SpinUntil(outlinedAsShown));

    QAction* outlines = MenuItem(QStringLiteral("Region &Outlines"));
    ASSERT_TRUE(outlines->isChecked());
    outlines->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Outlines().empty());
    const size_t measured = History().RegionCount();
    ASSERT_TRUE(SpinUntil([&] { return History().RegionCount() > measured; }));
    EXPECT_TRUE(Outlines().empty()) << "off stays off";
    EXPECT_NE(m_registry.Read().find("\"PreviewOutlines\"=dword:00000000"), std::string::npos);

    // The rate is kept at once and asked of the camera at the next "New".
    MenuItem(QStringLiteral("1&0 Frames per Second"))->trigger();
    EXPECT_NE(m_registry.Read().find("\"PreviewRate\"=dword:0000000a"), std::string::npos);
    EXPECT_EQ(Session().PreviewRate(), 1);
    Press(IDC_STARTSTOP);
    Press(IDC_NEW);
    EXPECT_EQ(Session().PreviewRate(), 10);
    EXPECT_TRUE(MenuItem(QStringLiteral("1&0 Frames per Second"))->isChecked());
    EXPECT_FALSE(MenuItem(QStringLiteral("&1 Frame per Second"))->isChecked());
}

}  // namespace

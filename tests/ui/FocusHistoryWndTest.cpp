// The focus history window on its own. The peak and band themselves are the history's test;
// here the window shows what the history decides.
#include "ui/FocusHistoryWnd.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <cstdio>
#include <fstream>

#include "fakes/AppTestEnv.h"
#include "platform/mfc/FileDialog.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/win/WinUser.h"
#include "ui/FocusChart.h"
#include "ui/FocusHistorySettings.h"
#include "ui/Readout.h"
#include "ui/RegionPanel.h"
#include "ui/RegionReadout.h"
#include "ui/StillSaveSettings.h"

namespace {

constexpr LONG kOverflow = 0x8000;

class FocusHistoryWndTest : public AppTestEnv {
protected:
    void SetUp() override {
        AppTestEnv::SetUp();
        wnd = std::make_unique<CFocusHistoryWnd>();
        wnd->SetClock([this] { return now_ms; });
    }
    void TearDown() override {
        wnd.reset();
        AppTestEnv::TearDown();
    }
    void Add(LONG value) {
        now_ms += 100;
        wnd->AddFigure(value);
    }
    std::string Figure() const { return wnd->FigureReadout()->text().toStdString(); }
    std::string Peak() const { return wnd->PeakReadout()->text().toStdString(); }
    std::string Overflows() const { return wnd->OverflowReadout()->text().toStdString(); }
    // One measurement: the corners' MTF50s as given, the centre 0.25; 0 stands for no edge.
    void AddRegions(double tl, double tr, double bl, double br, bool bClippedCentre = false) {
        RegionSharpness regions;
        const double values[kSfrRegionCount] = {0.25, tl, tr, bl, br};
        for (int r = 0; r < kSfrRegionCount; ++r) {
            regions.regions[r].bEdge = values[r] > 0;
            regions.regions[r].mtf50 = values[r];
        }
        regions.regions[0].bClipped = bClippedCentre;
        now_ms += 100;
        wnd->AddRegions(regions);
    }
    std::string Region(SfrRegion region) const {
        return wnd->Regions()->ValueReadout(region)->text().toStdString();
    }
    std::string RegionPeak(SfrRegion region) const {
        return wnd->Regions()->PeakReadout(region)->text().toStdString();
    }
    std::string RegionState(SfrRegion region) const {
        return wnd->Regions()->StateReadout(region)->text().toStdString();
    }
    bool RegionLooksInFocus(SfrRegion region) const {
        const QImage shot = wnd->Regions()->ValueReadout(region)->grab().toImage();
        return shot.pixel(2, 2) == kInFocusBackground;
    }
    std::string State() const { return wnd->FocusStateReadout()->text().toStdString(); }
    bool LooksInFocus() const {
        const QImage shot = wnd->FigureReadout()->grab().toImage();
        return shot.pixel(2, 2) == kInFocusBackground;
    }
    QAction* MenuItem(const QString& text) const {
        for (QAction* action : wnd->ContextMenu()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }
    void WriteSettings(const std::string& values) const {
        m_registry.Write(CTempRegistry::WithKey(values));
    }
    std::string ReadFile(const QString& path) const {
        std::ifstream file(path.toStdString(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), {});
    }

    int64_t now_ms = 5000;
    std::unique_ptr<CFocusHistoryWnd> wnd;
};

TEST_F(FocusHistoryWndTest, ReadOutsShowTheFigureThePeakTheOverflowsAndWhetherInFocus) {
    EXPECT_EQ(Figure(), "");
    EXPECT_EQ(Peak(), "");
    EXPECT_EQ(State(), "");
    struct Step {
        LONG value;
        const char* figure;
        const char* peak;
        const char* overflows;
    };
    // The model says when it is in focus; the window only shows it. Green is seen once, after
    // the peak was passed, and never at start-up, where the first figure is its own peak.
    const Step steps[] = {
        {832, "832", "832", "0"},       {kOverflow, "Overflow", "832", "1"},
        {19894, "19894", "19894", "1"}, {17000, "17000", "19894", "1"},
        {19000, "19000", "19894", "1"}, {-12, "-12", "19894", "1"},
    };
    int greens = 0;
    for (const Step& step : steps) {
        Add(step.value);
        const bool inFocus = wnd->History().InFocus(step.value);
        greens += inFocus;
        EXPECT_EQ(Figure(), step.figure);
        EXPECT_EQ(Peak(), step.peak) << step.figure;
        EXPECT_EQ(Overflows(), step.overflows) << step.figure;
        EXPECT_EQ(LooksInFocus(), inFocus) << step.figure;
        EXPECT_EQ(State(), inFocus ? "in focus" : "searching") << step.figure;
        EXPECT_EQ(!wnd->FigureReadout()->accessibleDescription().isEmpty(), inFocus);
    }
    EXPECT_EQ(greens, 1) << "19000, back near the peak after falling from it";
}

// The tilt's words are TiltAcrossText's below; the end-to-end suite reads them off the window.
TEST_F(FocusHistoryWndTest, RegionsShowTheLatestValuesTheirPeaksAndStates) {
    using enum SfrRegion;
    const char kNone[] = "\u2014";
    EXPECT_EQ(Region(Centre), kNone) << "nothing measured";
    AddRegions(0.10, 0.30, 0.10, 0.30);
    EXPECT_EQ(Region(TopLeft), "0.1000");
    EXPECT_EQ(RegionPeak(TopRight), "peak 0.3000");
    EXPECT_EQ(RegionState(TopLeft), "searching") << "its own peak at start-up";
    EXPECT_EQ(RegionState(Centre), "searching");
    AddRegions(0.20, 0.20, 0.0, 0.20, true);  // bottom left loses its edge
    AddRegions(0.30, 0.27, 0.28, 0.28);
    EXPECT_EQ(Region(BottomLeft), "0.2800");
    AddRegions(0.29, 0.29, 0.0, 0.30, true);
    EXPECT_EQ(Region(BottomLeft), kNone) << "no edge: never 0, never the value before";
    EXPECT_EQ(RegionState(BottomLeft), "no edge");
    EXPECT_EQ(RegionState(Centre), "clipped");
    // Each region follows its own peak, as the history decides.
    EXPECT_TRUE(RegionLooksInFocus(TopRight)) << "fell from 0.30 to 0.20, back to 0.29";
    EXPECT_EQ(RegionState(TopRight), "in focus");
    EXPECT_FALSE(RegionLooksInFocus(TopLeft)) << "still climbing";
    EXPECT_EQ(RegionState(TopLeft), "searching");

    wnd->ResetPeak();
    EXPECT_EQ(RegionPeak(TopLeft), "peak \u2014");
    EXPECT_FALSE(RegionLooksInFocus(TopRight));
    wnd->StartRun();
    EXPECT_EQ(Region(TopLeft), kNone) << "a new preview: the last one's values are gone";
    AddRegions(0.30, 0.26, 0.24, 0.26);
    wnd->Clear();
    EXPECT_EQ(Region(TopLeft), kNone);
    EXPECT_EQ(wnd->History().RegionCount(), 0u);
}

TEST(RegionReadout, TiltSaysWhichSideIsSharperInWordsAndArrows) {
    struct Case {
        ImageTilt tilt;
        const char* across;
        const char* upDown;
    };
    const Case cases[] = {
        {{true, 23.4, -5.0}, "\u2190 left sharper by 23 %", "\u2193 bottom sharper by 5 %"},
        {{true, -8.0, 4.9}, "\u2192 right sharper by 8 %", "\u2195 level"},
        {{true, 0.0, 12.6}, "\u2194 level", "\u2191 top sharper by 13 %"},
        {{false, 30.0, 30.0}, "\u2014", "\u2014"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TiltAcrossText(c.tilt).toStdString(), c.across);
        EXPECT_EQ(TiltUpDownText(c.tilt).toStdString(), c.upDown);
    }
}

TEST_F(FocusHistoryWndTest, ThePeakIsResetByTheButtonTheMenuAndStartButNotCtrlR) {
    const std::function<void()> resets[] = {
        [&] { wnd->findChild<QPushButton*>()->click(); },
        [&] { MenuItem(QStringLiteral("&Reset Peak\tR"))->trigger(); },
        [&] { wnd->StartRun(); },
    };
    // What a reset keeps and starts over is the history's test; each way shows it at once. (The
    // key R is pressed in the end-to-end suite.)
    for (const auto& reset : resets) {
        Add(19894);
        Add(kOverflow);
        Add(15000);
        reset();
        EXPECT_EQ(Peak(), "");
        EXPECT_EQ(Overflows(), "0");
        Add(12000);
        EXPECT_EQ(Peak(), "12000");
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier);
    QApplication::sendEvent(wnd.get(), &press);
    EXPECT_EQ(Peak(), "12000");
}

// A figure that is not live never shows as one: a second without a figure while the preview
// runs, a stop and a lost camera each put a grey message in the figure's place; a figure, or
// the preview running again, brings the figures back.
TEST_F(FocusHistoryWndTest, AFigureThatIsNotLiveIsNeverShownAsOne) {
    const auto grey = [this] {
        return wnd->FigureReadout()->palette().color(QPalette::Text) == QColor(kStaleText) &&
               !LooksInFocus() && State().empty();
    };
    wnd->FollowPreview(TRUE);
    for (const LONG value : {19894, 17000, 19000})
        Add(value);
    AddRegions(0.2, 0.2, 0.2, 0.2);
    ASSERT_TRUE(LooksInFocus());
    now_ms += kNoFigureAfter_ms - 101;  // the regions came 100 ms after the figure
    wnd->TickWithoutFigure();
    EXPECT_EQ(Figure(), "19000");
    EXPECT_TRUE(LooksInFocus());
    now_ms += 1;
    wnd->TickWithoutFigure();
    EXPECT_EQ(Figure(), kNoFigureText);
    EXPECT_TRUE(grey());
    Add(19000);
    EXPECT_EQ(Figure(), "19000");
    EXPECT_TRUE(LooksInFocus());
    EXPECT_EQ(State(), "in focus");

    wnd->FollowPreview(FALSE);
    EXPECT_EQ(Figure(), kPreviewStoppedText);
    EXPECT_TRUE(grey());
    EXPECT_EQ(RegionState(SfrRegion::Centre), "stopped");
    EXPECT_FALSE(RegionLooksInFocus(SfrRegion::Centre));
    now_ms += 5000;
    wnd->TickWithoutFigure();
    EXPECT_EQ(Figure(), kPreviewStoppedText) << "a stopped preview owes no figure";

    // A still holds the preview for longer than a second; its second starts again after.
    wnd->FollowPreview(TRUE);
    EXPECT_EQ(Figure(), "19000");
    wnd->Pause();
    now_ms += 3000;
    wnd->FollowPreview(TRUE);
    wnd->TickWithoutFigure();
    EXPECT_EQ(Figure(), "19000");

    wnd->FollowPreview(FALSE);  // a lost camera's words: FocusDlgSimTest, end to end too
    wnd->Clear();               // "New"
    EXPECT_EQ(Figure(), "");
    EXPECT_NE(wnd->FigureReadout()->palette().color(QPalette::Text), QColor(kStaleText));
}

// "Save as CSV..." starts where the operator last saved, a still or a CSV; a CSV saved is
// where the next save of either starts. Written through the still's writer, whose tests hold
// it to replacing a file whole.
TEST_F(FocusHistoryWndTest, CsvGoesToTheClipboardAndIntoAFileInTheRememberedFolder) {
    Add(832);
    Add(kOverflow);
    MenuItem(QStringLiteral("&Copy as CSV"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), wnd->History().ToCsv());
    const QDir here = QDir::current();
    ASSERT_TRUE(here.mkdir(QStringLiteral("stills")) && here.mkdir(QStringLiteral("runs")));
    RememberStillSave(here.filePath(QStringLiteral("stills")));
    std::vector<std::pair<QString, QString>> asked;  // folder, suggested name
    const FileDialogHook previous = SetFileDialogHook([&](CFileDialog& dialog) {
        asked.emplace_back(dialog.m_strFolder, dialog.m_strFileName);
        dialog.m_strPathName = here.filePath(QStringLiteral("runs/lens-a.csv"));
        return asked.size() == 1 ? IDOK : IDCANCEL;
    });
    QAction* save = MenuItem(QStringLiteral("&Save as CSV..."));
    save->trigger();
    save->trigger();
    SetFileDialogHook(previous);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(here.filePath(QStringLiteral("stills")),
                                       QStringLiteral("focus-history.csv")));
    EXPECT_EQ(asked[1],
              std::make_pair(here.filePath(QStringLiteral("runs")), QStringLiteral("lens-a.csv")));
    EXPECT_EQ(ReadFile(here.filePath(QStringLiteral("runs/lens-a.csv"))), wnd->History().ToCsv());
    EXPECT_EQ(LoadStillSaveSettings().folder, here.filePath(QStringLiteral("runs")));
    EXPECT_TRUE(boxes.empty());
}

// Each way a write fails is the writer's test, and the box's words the snapshot view's.
TEST_F(FocusHistoryWndTest, AFailedSaveIsToldInABoxOverThisWindow) {
    Add(832);
    const QString missing = QDir::current().filePath(QStringLiteral("no-such-folder/h.csv"));
    EXPECT_FALSE(wnd->SaveCsv(missing));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes.front().text.find('"' + missing.toStdString() + '"'), std::string::npos)
        << boxes.front().text;
    EXPECT_EQ(boxes.front().owner, HwndFromWidget(wnd.get())) << "it blocks this window";
}

TEST_F(FocusHistoryWndTest, OpensWithThePreviewUnlessTheOperatorClosedIt) {
    QWidget dialog;
    dialog.setGeometry(0, 0, 60, 120);
    dialog.show();
    wnd->Create(&dialog);
    EXPECT_FALSE(wnd->isVisible()) << "hidden until the preview runs";
    EXPECT_FALSE(wnd->ToggleAction()->isChecked());
    wnd->FollowPreview(TRUE);
    ASSERT_TRUE(wnd->isVisible());  // beside the dialog: the end-to-end suite sees where
    EXPECT_TRUE(wnd->ToggleAction()->isChecked());

    wnd->close();
    EXPECT_FALSE(wnd->Settings().bShown);
    EXPECT_FALSE(wnd->ToggleAction()->isChecked());
    wnd->FollowPreview(FALSE);
    wnd->FollowPreview(TRUE);
    EXPECT_FALSE(wnd->isVisible()) << "closed stays closed";  // the dialog's menu opens it

    // A screen too narrow for the whole width beside the dialog: narrower, still beside it.
    const QRect available = dialog.screen()->availableGeometry();
    dialog.setGeometry(available.left(), available.top(), available.width() - 740, 120);
    CFocusHistoryWnd narrow;
    narrow.Create(&dialog);
    narrow.FollowPreview(TRUE);
    EXPECT_LT(narrow.width(), 740);
    EXPECT_TRUE(available.contains(narrow.frameGeometry()));
    EXPECT_FALSE(narrow.frameGeometry().intersects(dialog.frameGeometry()));
}

TEST_F(FocusHistoryWndTest, RemembersWhetherAndWhereItWasBesideTheOtherSettings) {
    WriteSettings(
        "\"NoLoadFirmware\"=dword:00000001\n"
        "\"FocusHistory\"=dword:00000001\n"
        "\"FocusHistoryLeft\"=dword:00000028\n"      // 40
        "\"FocusHistoryTop\"=dword:0000001e\n"       // 30
        "\"FocusHistoryWidth\"=dword:000002f8\n"     // 760
        "\"FocusHistoryHeight\"=dword:00000140\n");  // 320
    QWidget dialog;
    wnd->Create(&dialog);
    wnd->FollowPreview(TRUE);
    EXPECT_EQ(wnd->pos(), QPoint(40, 30));
    EXPECT_EQ(wnd->size(), QSize(760, 320));
    wnd->move(-4000, 60);  // off every screen: saved as it is, brought back next time
    wnd->resize(720, 280);
    EXPECT_FALSE(wnd->Chart()->ShowsRegions());
    MenuItem(QStringLiteral("Show Re&gions in Chart"))->trigger();
    EXPECT_TRUE(wnd->Chart()->ShowsRegions());
    wnd->DestroyWindow();
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_TRUE(wnd->Settings().bShown) << "closing the dialog is no choice of the operator's";
    const std::string text = m_registry.Read();
    for (const char* line :
         {"\"NoLoadFirmware\"=dword:00000001", "\"FocusHistory\"=dword:00000001",
          "\"FocusHistoryLeft\"=dword:fffff060", "\"FocusHistoryTop\"=dword:0000003c",
          "\"FocusHistoryWidth\"=dword:000002d0", "\"FocusHistoryHeight\"=dword:00000118",
          "\"FocusHistoryRegions\"=dword:00000001"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("EnhanceJPEG"), std::string::npos) << "none of the utility's own";

    CFocusHistoryWnd again;
    again.Create(&dialog);
    again.FollowPreview(TRUE);
    EXPECT_EQ(again.size(), QSize(720, 280));
    EXPECT_TRUE(again.Chart()->ShowsRegions());
    EXPECT_TRUE(again.RegionTracesAction()->isChecked());
    EXPECT_EQ(again.pos(), QPoint(dialog.screen()->availableGeometry().left(), 60));

    // Smaller than the window can be, in the bottom-right corner: it is kept on the screen at
    // the size it gets, not at the size stored.
    const QRect available = dialog.screen()->availableGeometry();
    char corner[200];
    std::snprintf(corner, sizeof corner,
                  "\"FocusHistoryLeft\"=dword:%08x\n\"FocusHistoryTop\"=dword:%08x\n"
                  "\"FocusHistoryWidth\"=dword:00000010\n\"FocusHistoryHeight\"=dword:00000010\n",
                  available.right() - 20, available.bottom() - 20);
    WriteSettings(corner);
    dialog.show();  // framed: its frame is the guess at the window's own
    CFocusHistoryWnd small;
    small.Create(&dialog);
    small.FollowPreview(TRUE);
    EXPECT_GT(small.width(), 16);
    EXPECT_TRUE(available.contains(small.frameGeometry()));
}

// A stored place as the registry file has it; a null part is left out.
std::string Place(const char* left, const char* width, const char* height = "dword:100") {
    std::string text = std::string("\"FocusHistoryLeft\"=") + left +
                       "\n\"FocusHistoryTop\"=dword:1\n" + "\"FocusHistoryWidth\"=" + width + "\n";
    return height ? text + "\"FocusHistoryHeight\"=" + height + "\n" : text;
}

TEST_F(FocusHistoryWndTest, APlaceCountsOnlyWhenWholeAndAFlagOfAnyTypeIsRead) {
    struct Case {
        const char* what;
        std::string values;
        BOOL shown;
        BOOL placed;
    };
    const Case cases[] = {
        {"nothing stored", "", TRUE, FALSE},
        {"hidden", "\"FocusHistory\"=dword:00000000\n", FALSE, FALSE},
        {"any nonzero is on", "\"FocusHistory\"=dword:00000002\n", TRUE, FALSE},
        {"a part missing", Place("dword:1", "dword:100", nullptr), TRUE, FALSE},
        {"no size", Place("dword:1", "dword:0"), TRUE, FALSE},
        {"a text is no number", Place("\"1\"", "dword:100"), TRUE, FALSE},
        {"whole", Place("dword:1", "dword:100"), TRUE, TRUE},
        // No screen is this large: the sums would overflow on the way back.
        {"a size near the largest int", Place("dword:1", "dword:7ffffff0"), TRUE, FALSE},
        {"a corner near the smallest int", Place("dword:80000001", "dword:100"), TRUE, FALSE},
    };
    for (const Case& c : cases) {
        WriteSettings(c.values);
        CFocusHistorySettings settings;
        EXPECT_TRUE(settings.Load()) << c.what;
        EXPECT_EQ(settings.bShown, c.shown) << c.what;
        EXPECT_EQ(settings.bPlaced, c.placed) << c.what;
    }
}

}  // namespace

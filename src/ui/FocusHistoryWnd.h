// CFocusHistoryWnd: the "Focus History" window beside the main dialog. It charts the figures
// the dialog's focus read-out shows, in a large read-out of its own that says "searching"
// until the peak held since "Start" or the operator's reset ("Reset Peak", or R) has been
// passed, and turns green back near it; overflows are counted beside the peak. A figure that
// is no longer live is never shown as one: the read-out says, in grey, "Preview stopped" once
// the preview stops, and "No figure from the camera" when none came for a second while it runs
// or the camera was lost. Beside the
// chart, the five regions measured from the picture, each with its own peak and the same rule
// (CRegionPanel); the chart can draw them too. Its context menu copies the history as CSV,
// saves it to a file, and shows or hides the regions on the chart. It opens with the preview
// unless the operator closed it, and remembers that, the chart's choice and where it was.
// Closing it only hides it; the main dialog's context menu shows it again.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "measure/RegionSharpness.h"
#include "session/FocusHistory.h"
#include "ui/FocusHistorySettings.h"

class CFocusChart;
class CRegionPanel;
class QAction;
class QLineEdit;
class QMenu;

inline constexpr const char kFocusHistoryTitle[] = "Focus History";
inline constexpr const char kPreviewStoppedText[] = "Preview stopped";
inline constexpr const char kNoFigureText[] = "No figure from the camera";
// How long the preview may run without a figure before the read-out says so: ten of the
// figures the camera sends a second.
inline constexpr int64_t kNoFigureAfter_ms = 1000;

class CFocusHistoryWnd : public QWidget {
    Q_OBJECT

public:
    CFocusHistoryWnd();
    ~CFocusHistoryWnd() override;

    // Reads the remembered settings and serves `dialog`: the window first opens beside it.
    // It stays hidden until the preview runs or the operator asks for it.
    void Create(QWidget* dialog);
    // Saves the settings and hides the window, for the main dialog's close.
    void DestroyWindow();
    // The checkable item that shows and hides the window, for the main dialog's menu.
    QAction* ToggleAction() const { return m_pToggle; }

    // What the main dialog tells it.
    void Clear();                       // "New": a fresh history
    void StartRun();                    // "Start": the peak starts over
    void FollowPreview(BOOL bRunning);  // the preview runs (the window opens) or stopped
    void Pause();                       // a still holds the preview
    void AddFigure(LONG value);         // a figure the read-out showed
    void TickWithoutFigure();           // a read-out tick that brought none
    void LoseCamera();                  // the preview ended because the camera is gone
    // A new measurement of the five regions (a region without an edge is held as NaN).
    void AddRegions(const RegionSharpness& regions);
    // The latest measurement since "New" or "Start"; null when none.
    const RegionSharpness* LatestRegions() const { return m_bHasRegions ? &m_regions : nullptr; }

    // The operator's.
    void ResetPeak();
    void ShowRegionTraces(bool bShow);
    void CopyCsv() const;
    // Writes the history to `path` through a temporary file renamed into place; a failure is
    // shown in a message box naming the file and the reason.
    BOOL SaveCsv(const QString& path);

    const CFocusHistory& History() const { return m_history; }
    const CFocusHistorySettings& Settings() const { return m_settings; }
    CFocusChart* Chart() const { return m_pChart; }
    CRegionPanel* Regions() const { return m_pRegions; }
    QLineEdit* FigureReadout() const { return m_pFigure; }
    QLineEdit* FocusStateReadout() const { return m_pFocusState; }
    QLineEdit* PeakReadout() const { return m_pPeak; }
    QLineEdit* OverflowReadout() const { return m_pOverflows; }
    QMenu* ContextMenu() const { return m_pMenu; }
    QAction* RegionTracesAction() const { return m_pRegionTraces; }
    // Milliseconds of a monotonic clock; tests give their own.
    void SetClock(std::function<int64_t()> now_ms) { m_now_ms = std::move(now_ms); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildFigureBox();
    void BuildMenu();
    void Open(bool bActivate);
    void PlaceFirstTime();
    void ShowReadouts();
    void ShowInFocus(bool bHasFigure, bool bInFocus);
    // What the figure box says instead of a figure that is not live; empty while it is.
    QString StaleMessage() const;
    // The figure box saying `message` in grey instead of a figure; empty: the figure again.
    void ShowFigureMessage(const QString& message);
    void AskAndSaveCsv();

    CFocusHistory m_history;
    CFocusHistorySettings m_settings;
    std::function<int64_t()> m_now_ms;
    QWidget* m_pDialog = nullptr;
    bool m_bPlaced = false;  // moved to its place once; later it stays where the operator put it
    RegionSharpness m_regions;
    bool m_bHasRegions = false;
    bool m_bRunning = false;       // the preview runs
    bool m_bRan = false;           // it ran since "New"
    bool m_bNoFigure = false;      // none came for kNoFigureAfter_ms while it runs
    bool m_bCameraLost = false;    // it stopped because the camera is gone
    int64_t m_nLastFigure_ms = 0;  // or the preview's start
    QString m_csvPath;             // where the last save went
    CFocusChart* m_pChart = nullptr;
    CRegionPanel* m_pRegions = nullptr;
    QWidget* m_pFigureBox = nullptr;
    QFont m_figureFont;   // large, read from across the bench
    QFont m_messageFont;  // the window's, for what is said in a figure's place
    QLineEdit* m_pFigure = nullptr;
    QLineEdit* m_pFocusState = nullptr;
    QLineEdit* m_pPeak = nullptr;
    QLineEdit* m_pOverflows = nullptr;
    QAction* m_pToggle = nullptr;
    QAction* m_pRegionTraces = nullptr;
    QMenu* m_pMenu = nullptr;
};

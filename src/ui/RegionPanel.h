// The focus history window's five regions, laid out as they lie in the picture (the corners
// around the centre): each region's MTF50 from the latest measured frame, its own held peak
// and its state, the value on green once that region is in focus; under them, which way the
// image plane leans. Once the preview stops, the last values stay in grey.
#pragma once

#include <QWidget>
#include <array>

#include "measure/RegionSharpness.h"

class CFocusHistory;
class QLineEdit;

class CRegionPanel : public QWidget {
public:
    explicit CRegionPanel(QWidget* parent = nullptr);

    // Shows `latest` (null: nothing measured since "New" or "Start") with the peaks that
    // `history` holds; `bStopped`: in grey, each region "stopped", never green.
    void ShowRegions(const RegionSharpness* latest, const CFocusHistory& history,
                     bool bStopped = false);

    QLineEdit* ValueReadout(SfrRegion region) const { return Cell(region).value; }
    QLineEdit* PeakReadout(SfrRegion region) const { return Cell(region).peak; }
    QLineEdit* StateReadout(SfrRegion region) const { return Cell(region).state; }
    QLineEdit* TiltAcrossReadout() const { return m_pTiltAcross; }
    QLineEdit* TiltUpDownReadout() const { return m_pTiltUpDown; }

private:
    struct RegionCell {
        QLineEdit* value = nullptr;
        QLineEdit* peak = nullptr;
        QLineEdit* state = nullptr;
    };
    const RegionCell& Cell(SfrRegion region) const { return m_cells[int(region)]; }
    QWidget* MakeCell(SfrRegion region);

    std::array<RegionCell, kSfrRegionCount> m_cells;
    QLineEdit* m_pTiltAcross = nullptr;
    QLineEdit* m_pTiltUpDown = nullptr;
};

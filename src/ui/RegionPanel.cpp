#include "ui/RegionPanel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "session/FocusHistory.h"
#include "ui/Readout.h"
#include "ui/RegionReadout.h"

namespace {

constexpr double kValueFontScale = 1.3;

// Where each region sits on a grid of four columns: a corner takes two, the centre the two
// between them, so the panel is two cells wide and reads like the picture.
struct CellPlace {
    int row, column;
};
constexpr CellPlace kPlaces[kSfrRegionCount] = {{1, 1}, {0, 0}, {0, 2}, {2, 0}, {2, 2}};

}  // namespace

CRegionPanel::CRegionPanel(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const CellPlace& place = kPlaces[r];
        grid->addWidget(MakeCell(SfrRegion(r)), place.row, place.column, 1, 2);
    }
    m_pTiltAcross = MakeReadout(QStringLiteral("Tilt left-right"), Qt::AlignCenter);
    m_pTiltUpDown = MakeReadout(QStringLiteral("Tilt top-bottom"), Qt::AlignCenter);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(QStringLiteral("MTF50 (cycles/pixel)"));
    heading->setAlignment(Qt::AlignCenter);
    column->addWidget(heading);
    column->addLayout(grid);
    auto* tiltCaption = new QLabel(QStringLiteral("Tilt"));
    tiltCaption->setAlignment(Qt::AlignCenter);
    column->addWidget(tiltCaption);
    for (QLineEdit* tilt : {m_pTiltAcross, m_pTiltUpDown}) {
        tilt->setFixedHeight(tilt->fontMetrics().height() + 2);
        column->addWidget(tilt);
    }
    column->addStretch(1);
    setAccessibleName(QStringLiteral("Regions"));
}

// Three lines: the region's short name (in its trace's colour, as on the chart's key; its place
// tells which it is) with its state, its MTF50, its peak.
QWidget* CRegionPanel::MakeCell(SfrRegion region) {
    const QString name = RegionName(region);
    RegionCell& cell = m_cells[int(region)];
    cell.value = MakeReadout(name + QStringLiteral(" MTF50"), Qt::AlignCenter);
    cell.peak = MakeReadout(name + QStringLiteral(" peak"), Qt::AlignCenter);
    cell.state = MakeReadout(name + QStringLiteral(" state"), Qt::AlignRight | Qt::AlignVCenter);
    QFont big = cell.value->font();
    big.setPointSizeF(big.pointSizeF() * kValueFontScale);
    big.setBold(true);
    cell.value->setFont(big);
    const QFontMetrics bigMetrics(big);
    cell.value->setMinimumWidth(bigMetrics.horizontalAdvance(QStringLiteral("0.0000")) + 12);
    cell.value->setFixedHeight(bigMetrics.height() + 2);
    const int line_px = cell.peak->fontMetrics().height() + 1;
    cell.peak->setFixedHeight(line_px);
    cell.state->setFixedHeight(line_px);
    cell.state->setMinimumWidth(
        cell.state->fontMetrics().horizontalAdvance(QStringLiteral("searching")) + 4);

    auto* caption = new QLabel(RegionShortName(region));
    caption->setToolTip(name);
    QPalette colours = caption->palette();
    colours.setColor(QPalette::WindowText, QColor(RegionTraceRgb(region)));
    caption->setPalette(colours);
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    top->addWidget(caption);
    top->addWidget(cell.state, 1);
    auto* lines = new QVBoxLayout(frame);
    lines->setContentsMargins(3, 1, 3, 1);
    lines->setSpacing(0);
    lines->addLayout(top);
    lines->addWidget(cell.value);
    lines->addWidget(cell.peak);
    return frame;
}

void CRegionPanel::ShowRegions(const RegionSharpness* latest, const CFocusHistory& history,
                               bool bStopped) {
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const auto region = SfrRegion(r);
        const RegionCell& cell = m_cells[r];
        const CPeakTracker& peak = history.RegionPeak(region);
        const EdgeSfr none;
        const EdgeSfr& sfr = latest ? latest->regions[r] : none;
        const RegionState state = RegionStateOf(sfr, peak);
        SetTextIfChanged(cell.value, Mtf50Text(sfr));
        SetTextIfChanged(cell.peak,
                         QStringLiteral("peak ") +
                             (peak.HasPeak() ? Mtf50Text(peak.Peak()) : QStringLiteral("\u2014")));
        if (bStopped) {
            SetTextIfChanged(cell.state, QStringLiteral("stopped"));
            ShowStaleColours(cell.value);
            SetTextColour(cell.state, QColor(kStaleText));
            continue;
        }
        SetTextIfChanged(cell.state, latest ? RegionStateWord(state) : QString());
        ShowInFocusColours(cell.value, state == RegionState::InFocus);
        const bool telling = state == RegionState::Clipped || state == RegionState::NoEdge;
        SetTextColour(cell.state, telling ? QColor(RegionStateRgb(state))
                                          : palette().color(QPalette::WindowText));
    }
    const ImageTilt tilt = latest ? MeasureTilt(*latest) : ImageTilt{};
    SetTextIfChanged(m_pTiltAcross, TiltAcrossText(tilt));
    SetTextIfChanged(m_pTiltUpDown, TiltUpDownText(tilt));
    const QColor tiltColour = bStopped ? QColor(kStaleText) : palette().color(QPalette::WindowText);
    SetTextColour(m_pTiltAcross, tiltColour);
    SetTextColour(m_pTiltUpDown, tiltColour);
}

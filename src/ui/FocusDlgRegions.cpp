// CFocusDlg: the five regions measured from the preview, handed to the focus history at the
// read-out's tick and outlined on the preview; the menu items that choose the preview's rate
// and turn the outlines off and on.
#include <QActionGroup>

#include "measure/SfrRegions.h"
#include "ui/FocusDlg.h"
#include "ui/RegionReadout.h"

void CFocusDlg::AddPreviewItems(QAction* before) {
    m_pOutlines = new QAction(QStringLiteral("Region &Outlines"), this);
    m_pOutlines->setCheckable(true);
    connect(m_pOutlines, &QAction::triggered, this, &CFocusDlg::ChooseOutlines);
    m_pSystemMenu->insertAction(before, m_pOutlines);

    auto* rates = new QMenu(QStringLiteral("Preview &Rate"), m_pSystemMenu);
    auto* group = new QActionGroup(rates);
    m_pRateStated = rates->addAction(QStringLiteral("&1 Frame per Second"));
    m_pRateFast = rates->addAction(QStringLiteral("1&0 Frames per Second"));
    for (QAction* rate : {m_pRateStated, m_pRateFast}) {
        rate->setCheckable(true);
        group->addAction(rate);
    }
    connect(m_pRateStated, &QAction::triggered, this,
            [this] { ChoosePreviewRate(kStatedPreviewRate); });
    connect(m_pRateFast, &QAction::triggered, this,
            [this] { ChoosePreviewRate(kFastPreviewRate); });
    m_pSystemMenu->insertMenu(before, rates);
    ShowPreviewSettings();
}

void CFocusDlg::ShowPreviewSettings() {
    m_previewSettings.Load();
    m_pOutlines->setChecked(m_previewSettings.bOutlines);
    m_pRateStated->setChecked(m_previewSettings.nFrameRate == kStatedPreviewRate);
    m_pRateFast->setChecked(m_previewSettings.nFrameRate == kFastPreviewRate);
}

// Kept at once; the camera is asked for it at the next "New".
void CFocusDlg::ChoosePreviewRate(LONG framesPerSecond) {
    m_previewSettings.Load();
    m_previewSettings.nFrameRate = framesPerSecond;
    m_previewSettings.Save();
}

void CFocusDlg::ChooseOutlines(bool bShow) {
    m_previewSettings.Load();
    m_previewSettings.bOutlines = bShow ? TRUE : FALSE;
    m_previewSettings.Save();
    if (bShow)
        ShowOutlines();
    else
        m_session.SetPreviewMarks(nullptr, 0);
}

void CFocusDlg::FeedRegions() {
    RegionReading reading;
    if (!m_session.ReadRegions(reading) || reading.sequence == m_nRegionSequence)
        return;
    m_nRegionSequence = reading.sequence;
    m_nRegionFrameWidth = reading.width;
    m_nRegionFrameHeight = reading.height;
    m_wndHistory.AddRegions(reading.sharpness);
    if (m_previewSettings.bOutlines)
        ShowOutlines();
}

void CFocusDlg::ShowOutlines() {
    const RegionSharpness* latest = m_wndHistory.LatestRegions();
    if (!latest || !m_session.IsPreviewRunning())
        return;
    PreviewMark marks[kSfrRegionCount];
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const auto region = SfrRegion(r);
        const SfrRect rect = SfrRegionRect(region, m_nRegionFrameWidth, m_nRegionFrameHeight);
        const RegionState state =
            RegionStateOf(latest->regions[r], m_wndHistory.History().RegionPeak(region));
        marks[r] = PreviewMark{rect.left, rect.top, rect.width, rect.height,
                               static_cast<DWORD>(RegionStateRgb(state) & 0xFFFFFF)};
    }
    m_session.SetPreviewMarks(marks, kSfrRegionCount);
}

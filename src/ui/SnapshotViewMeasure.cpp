// CSnapshotViewDlg: the five regions' sharpness of the still at its full resolution, outlined
// over the picture and listed in a box at the top of the view.
#include <QLabel>
#include <QPainter>

#include "session/RegionMeter.h"
#include "ui/RegionReadout.h"
#include "ui/SnapshotViewDlg.h"

namespace {

constexpr QRgb kMeasuredOutline = 0xFF1F78D1;  // blue: an edge measured (a still has no peak)
constexpr int kBoxMargin_px = 8;
constexpr int kOutlinePen_px = 2;

QRgb OutlineRgb(const EdgeSfr& region) {
    if (!region.bEdge)
        return RegionStateRgb(RegionState::NoEdge);
    return region.bClipped ? RegionStateRgb(RegionState::Clipped) : kMeasuredOutline;
}

}  // namespace

void CSnapshotViewDlg::OnMeasureSharpness() {
    if (!m_pImage)
        return;
    m_sharpness = MeasureStillRegions(m_pImage.get(), m_bmih.biWidth, m_bmih.biHeight);
    m_bMeasured = true;
    if (!m_pSharpnessBox) {
        m_pSharpnessBox = new QLabel(this);
        m_pSharpnessBox->setAutoFillBackground(true);
        QPalette colours = m_pSharpnessBox->palette();
        colours.setColor(QPalette::Window, QColor(255, 255, 255, 230));
        colours.setColor(QPalette::WindowText, Qt::black);
        m_pSharpnessBox->setPalette(colours);
        m_pSharpnessBox->setMargin(4);
        // Mouse events go to the view, so a drag that starts on the box still pans.
        m_pSharpnessBox->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QStringList values;
    for (int r = 0; r < kSfrRegionCount; ++r)
        values << RegionShortName(SfrRegion(r)) + QLatin1Char(' ') +
                      Mtf50Text(m_sharpness.regions[r]);
    const ImageTilt tilt = MeasureTilt(m_sharpness);
    m_pSharpnessBox->setText(
        QStringLiteral("MTF50  %1\ntilt  %2,  %3")
            .arg(values.join(QStringLiteral("   ")), TiltAcrossText(tilt), TiltUpDownText(tilt)));
    m_pSharpnessBox->adjustSize();
    // At the top, in the middle: the corners stay free for the still's own corners.
    m_pSharpnessBox->move((width() - m_pSharpnessBox->width()) / 2, kBoxMargin_px);
    m_pSharpnessBox->show();
    update();
}

void CSnapshotViewDlg::ForgetSharpness() {
    m_bMeasured = false;
    if (m_pSharpnessBox)
        m_pSharpnessBox->hide();
}

void CSnapshotViewDlg::DrawRegions(QPainter& painter, int draw_width, int draw_height) const {
    if (!m_bMeasured)
        return;
    // The drawn part's top row, counted from the still's top.
    const int top_row = m_bmih.biHeight - m_nPanY - draw_height;
    const int text_h = painter.fontMetrics().height();
    painter.save();
    painter.setClipRect(0, 0, draw_width, draw_height);
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const auto region = SfrRegion(r);
        const SfrRect rect = SfrRegionRect(region, m_bmih.biWidth, m_bmih.biHeight);
        const QRect outline(rect.left - m_nPanX, rect.top - top_row, rect.width, rect.height);
        const EdgeSfr& sfr = m_sharpness.regions[r];
        const QColor colour(OutlineRgb(sfr));
        painter.setPen(QPen(colour, kOutlinePen_px));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outline.adjusted(1, 1, -1, -1));
        const QString label = RegionShortName(region) + QLatin1Char(' ') + Mtf50Text(sfr);
        const QRect box(outline.left() + kOutlinePen_px, outline.top() + kOutlinePen_px,
                        painter.fontMetrics().horizontalAdvance(label) + 6, text_h + 2);
        painter.fillRect(box, colour);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, label);
    }
    painter.restore();
}

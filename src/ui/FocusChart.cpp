#include "ui/FocusChart.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "session/FocusFigure.h"
#include "session/FocusHistory.h"
#include "ui/RegionReadout.h"

namespace {

constexpr int kTopMargin_px = 10;  // room for the overflow marks above the top edge
constexpr int kRightMargin_px = 12;
constexpr int kLabelGap_px = 6;
constexpr int kMarkHalfWidth_px = 4;
constexpr int kMarkHeight_px = 7;
constexpr int64_t kTimeStep_ms = 5000;
constexpr double kFigureDot_px = 1.5;
// The figure line is two one-pixel strokes this far apart: as bold as a wider pen, without
// the cost of joining 300 wide segments (a tenth of the time per paint).
constexpr double kFigureDouble_px = 0.7;
constexpr double kLatestDot_px = 3.0;
constexpr double kRegionStep = 0.1;  // cycles per pixel between the regions' labels
constexpr double kRegionLine_px = 1.6;

QString RegionLabel(double mtf50) {
    return QString::number(mtf50, 'f', 1);
}

QString NumberText(int64_t value) {
    return QString::number(value);
}

double MapY(const QRect& plot, const FocusScale& scale, double value) {
    return plot.top() + (scale.top - value) * plot.height() / (scale.top - scale.bottom);
}

double MapX(const QRect& plot, int64_t start_ms, int64_t elapsed_ms) {
    return plot.left() +
           static_cast<double>(elapsed_ms - start_ms) * plot.width() / CFocusHistory::kSpan_ms;
}

}  // namespace

CFocusChart::CFocusChart(const CFocusHistory& history, QWidget* parent)
    : QWidget(parent), m_history(history) {
    // Every paint covers the whole area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Focus history chart"));
}

QSize CFocusChart::sizeHint() const {
    return {540, 240};
}

QSize CFocusChart::minimumSizeHint() const {
    return {300, 140};
}

int64_t CFocusChart::Start_ms() const {
    return std::max(m_history.Edge_ms(), CFocusHistory::kSpan_ms) - CFocusHistory::kSpan_ms;
}

FocusScale CFocusChart::Scale() const {
    int64_t low = 0;
    int64_t high = 0;
    if (m_history.HasPeak())
        high = m_history.Peak();
    const int64_t start_ms = Start_ms();
    for (size_t i = 0; i < m_history.Count(); ++i) {
        const FocusSample& sample = m_history.At(i);
        if (sample.elapsed_ms < start_ms || IsFocusOverflow(sample.value))
            continue;
        low = std::min<int64_t>(low, sample.value);
        high = std::max<int64_t>(high, sample.value);
    }
    return ChooseFocusScale(low, high);
}

void CFocusChart::SetShowRegions(bool bShow) {
    m_bShowRegions = bShow;
    update();
}

double CFocusChart::RegionTop() const {
    double high = 0;
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const CPeakTracker& peak = m_history.RegionPeak(SfrRegion(r));
        if (peak.HasPeak())
            high = std::max(high, peak.Peak());
    }
    const int64_t start_ms = Start_ms();
    for (size_t i = 0; i < m_history.RegionCount(); ++i) {
        const RegionSample& sample = m_history.RegionAt(i);
        if (sample.elapsed_ms < start_ms)
            continue;
        for (float value : sample.mtf50) {
            if (!std::isnan(value))
                high = std::max(high, double(value));
        }
    }
    return std::max(1.0, std::ceil(high / kRegionStep - 1e-9)) * kRegionStep;
}

QRect CFocusChart::PlotAreaFor(const FocusScale& scale) const {
    const QFontMetrics metrics = fontMetrics();
    const int label_px = std::max(metrics.horizontalAdvance(NumberText(scale.top)),
                                  metrics.horizontalAdvance(NumberText(scale.bottom)));
    const int right_px = m_bShowRegions
                             ? metrics.horizontalAdvance(RegionLabel(0.5)) + 2 * kLabelGap_px
                             : kRightMargin_px;
    return rect().adjusted(label_px + 2 * kLabelGap_px, kTopMargin_px, -right_px,
                           -(metrics.height() + kLabelGap_px));
}

double CFocusChart::YOfRegion(double mtf50) const {
    const QRect plot = PlotArea();
    return plot.top() + (RegionTop() - mtf50) * plot.height() / RegionTop();
}

QRect CFocusChart::PlotArea() const {
    return PlotAreaFor(Scale());
}

double CFocusChart::YOf(double value, const FocusScale& scale) const {
    return MapY(PlotAreaFor(scale), scale, value);
}

double CFocusChart::XOf(int64_t elapsed_ms) const {
    return MapX(PlotArea(), Start_ms(), elapsed_ms);
}

void CFocusChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(kChartPaper));
    const FocusScale scale = Scale();
    const QRect plot = PlotAreaFor(scale);
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    PaintBand(painter, plot, scale);
    PaintPauses(painter, plot);
    PaintGrid(painter, plot, scale);
    PaintPeak(painter, plot, scale);
    PaintFigures(painter, plot, scale);
    if (m_bShowRegions)
        PaintRegions(painter, plot);
    PaintKey(painter, plot, !PauseSpansIn(plot).empty());
    if (m_history.Count() == 0) {
        painter.setPen(QColor(kChartText));
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No figures yet"));
    }
}

void CFocusChart::PaintGrid(QPainter& painter, const QRect& plot, const FocusScale& scale) const {
    const int text_h = painter.fontMetrics().height();
    for (int64_t value = scale.bottom; value <= scale.top; value += scale.step) {
        const int y = qRound(MapY(plot, scale, static_cast<double>(value)));
        painter.setPen(QColor(kChartGrid));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(QColor(kChartText));
        const QRect label(0, y - text_h / 2, plot.left() - kLabelGap_px, text_h);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, NumberText(value));
    }
    const int64_t start_ms = Start_ms();
    const int64_t first_ms = (start_ms + kTimeStep_ms - 1) / kTimeStep_ms * kTimeStep_ms;
    for (int64_t t_ms = first_ms; t_ms <= start_ms + CFocusHistory::kSpan_ms;
         t_ms += kTimeStep_ms) {
        const int x = qRound(MapX(plot, start_ms, t_ms));
        painter.setPen(QColor(kChartGrid));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(QColor(kChartText));
        const QRect label(x - 40, plot.bottom() + kLabelGap_px / 2, 80, text_h);
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("%1 s").arg(t_ms / 1000));
    }
}

std::vector<std::pair<int, int>> CFocusChart::PauseSpansIn(const QRect& plot) const {
    std::vector<std::pair<int, int>> spans;
    const int64_t start_ms = Start_ms();
    auto add = [&](int64_t from_ms, int64_t to_ms) {
        const int left = std::max(plot.left(), qRound(MapX(plot, start_ms, from_ms)));
        const int right = std::min(plot.right(), qRound(MapX(plot, start_ms, to_ms)));
        if (right > left)
            spans.emplace_back(left, right);
    };
    for (size_t i = 1; i < m_history.Count(); ++i) {
        if (m_history.At(i).bAfterPause)
            add(m_history.At(i - 1).elapsed_ms, m_history.At(i).elapsed_ms);
    }
    if (m_history.IsPaused() && m_history.Latest())
        add(m_history.Latest()->elapsed_ms, m_history.Edge_ms());
    return spans;
}

std::vector<std::pair<int, int>> CFocusChart::PauseSpans() const {
    return PauseSpansIn(PlotArea());
}

QString CFocusChart::ToolTipAt(const QPoint& pos) const {
    const QRect plot = PlotArea();
    if (pos.y() < plot.top() || pos.y() > plot.bottom())
        return {};
    for (const auto& [left, right] : PauseSpansIn(plot)) {
        if (pos.x() >= left && pos.x() < right)
            return QString::fromLatin1(kPauseTipText);
    }
    return {};
}

bool CFocusChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipAt(help->pos());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, this);
    return true;
}

void CFocusChart::PaintPauses(QPainter& painter, const QRect& plot) const {
    for (const auto& [left, right] : PauseSpansIn(plot))
        painter.fillRect(QRect(left, plot.top(), right - left, plot.height()), QColor(kChartPause));
}

void CFocusChart::PaintBand(QPainter& painter, const QRect& plot, const FocusScale& scale) const {
    if (!m_history.HasPeak() || m_history.Peak() <= 0)
        return;
    const LONG peak = m_history.Peak();
    const int top = qRound(MapY(plot, scale, peak));
    const int bottom = qRound(MapY(plot, scale, peak * (kFocusBandPercent / 100.0)));
    painter.fillRect(QRect(plot.left(), top, plot.width(), bottom - top + 1), QColor(kChartBand));
}

void CFocusChart::PaintPeak(QPainter& painter, const QRect& plot, const FocusScale& scale) const {
    if (!m_history.HasPeak())
        return;
    const LONG peak = m_history.Peak();
    const int y = qRound(MapY(plot, scale, peak));
    painter.fillRect(QRect(plot.left(), y - 1, plot.width(), 2), QColor(kChartPeak));
    const QString text =
        QStringLiteral("Peak %1").arg(QString::fromStdString(FormatFocusValue(peak)));
    const int text_h = painter.fontMetrics().height();
    // Under the line, in the band, unless the line runs along the bottom.
    const int text_top = y + text_h + 2 <= plot.bottom() ? y + 2 : y - 2 - text_h;
    painter.setPen(QColor(kChartPeak));
    painter.drawText(QRect(plot.left(), text_top, plot.width() - 4, text_h),
                     Qt::AlignRight | Qt::AlignTop, text);
}

void CFocusChart::PaintFigures(QPainter& painter, const QRect& plot,
                               const FocusScale& scale) const {
    const size_t count = m_history.Count();
    if (count == 0)
        return;
    const int64_t start_ms = Start_ms();
    auto pointOf = [&](const FocusSample& sample) {
        // An overflow has no height of its own: the top edge, marked.
        const double y =
            IsFocusOverflow(sample.value) ? plot.top() : MapY(plot, scale, sample.value);
        return QPointF(MapX(plot, start_ms, sample.elapsed_ms), y);
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    painter.setPen(QPen(QColor(kChartFigure), 1.0));
    painter.setBrush(QColor(kChartFigure));
    QPolygonF stretch;
    auto flush = [&] {
        if (stretch.size() == 1) {  // a lone figure between two pauses is a dot
            painter.drawEllipse(stretch.front(), kFigureDot_px, kFigureDot_px);
        } else {
            painter.drawPolyline(stretch);
            stretch.translate(kFigureDouble_px, kFigureDouble_px);
            painter.drawPolyline(stretch);
        }
        stretch.clear();
    };
    for (size_t i = 0; i < count; ++i) {
        const FocusSample& sample = m_history.At(i);
        if (sample.bAfterPause && !stretch.isEmpty())
            flush();
        stretch.append(pointOf(sample));
    }
    flush();
    painter.drawEllipse(pointOf(*m_history.Latest()), kLatestDot_px, kLatestDot_px);
    painter.restore();

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kChartOverflow));
    for (size_t i = 0; i < count; ++i) {
        const FocusSample& sample = m_history.At(i);
        if (!IsFocusOverflow(sample.value) || sample.elapsed_ms < start_ms)
            continue;
        const int x = qRound(pointOf(sample).x());
        const QPoint mark[] = {{x - kMarkHalfWidth_px, plot.top() - kMarkHeight_px},
                               {x + kMarkHalfWidth_px, plot.top() - kMarkHeight_px},
                               {x, plot.top()}};
        painter.drawPolygon(mark, 3);
    }
}

// On their own scale at the right, without grid lines of their own: the figure's stay the
// ones to read across.
void CFocusChart::PaintRegions(QPainter& painter, const QRect& plot) const {
    const double top = RegionTop();
    const int text_h = painter.fontMetrics().height();
    painter.setPen(QColor(kChartText));
    for (int step = 0; step * kRegionStep <= top + 1e-9; ++step) {
        const double value = step * kRegionStep;
        const int y = qRound(plot.top() + (top - value) * plot.height() / top);
        painter.drawLine(plot.right(), y, plot.right() + kLabelGap_px / 2, y);
        painter.drawText(QRect(plot.right() + kLabelGap_px, y - text_h / 2, width(), text_h),
                         Qt::AlignLeft | Qt::AlignVCenter, RegionLabel(value));
    }
    const int64_t start_ms = Start_ms();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (int r = 0; r < kSfrRegionCount; ++r) {
        painter.setPen(QPen(QColor(RegionTraceRgb(SfrRegion(r))), kRegionLine_px));
        QPolygonF stretch;
        auto flush = [&] {
            if (stretch.size() > 1)
                painter.drawPolyline(stretch);
            stretch.clear();
        };
        for (size_t i = 0; i < m_history.RegionCount(); ++i) {
            const RegionSample& sample = m_history.RegionAt(i);
            const float value = sample.mtf50[r];
            if (sample.bAfterPause || std::isnan(value))
                flush();
            if (std::isnan(value))
                continue;
            stretch.append(QPointF(MapX(plot, start_ms, sample.elapsed_ms),
                                   plot.top() + (top - value) * plot.height() / top));
        }
        flush();
    }
    painter.restore();
}

// A key in the top-left corner: each region's short name in its colour, when they are drawn,
// and a grey swatch for the paused stretches, when there are any.
void CFocusChart::PaintKey(QPainter& painter, const QRect& plot, bool bPauses) const {
    const int text_h = painter.fontMetrics().height();
    int x = plot.left() + kLabelGap_px;
    const int y = plot.top() + 2;
    for (int r = 0; m_bShowRegions && r < kSfrRegionCount; ++r) {
        const QString name = RegionShortName(SfrRegion(r));
        const int w = painter.fontMetrics().horizontalAdvance(name);
        painter.fillRect(QRect(x - 2, y, w + 4, text_h), QColor(kChartPaper));
        painter.setPen(QColor(RegionTraceRgb(SfrRegion(r))));
        painter.drawText(QRect(x, y, w, text_h), Qt::AlignLeft | Qt::AlignTop, name);
        x += w + kLabelGap_px;
    }
    if (!bPauses)
        return;
    const QString name = QString::fromLatin1(kPauseKeyText);
    const int swatch = text_h - 4;
    const int w = swatch + kLabelGap_px / 2 + painter.fontMetrics().horizontalAdvance(name);
    painter.fillRect(QRect(x - 2, y, w + 4, text_h), QColor(kChartPaper));
    const QRect sample(x, y + 2, swatch, swatch);
    painter.fillRect(sample, QColor(kChartPause));
    painter.setPen(QColor(kChartGrid).darker(130));  // the band's grey is faint on its own
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(sample.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(kChartText));
    painter.drawText(QRect(x + swatch + kLabelGap_px / 2, y, w, text_h),
                     Qt::AlignLeft | Qt::AlignTop, name);
}

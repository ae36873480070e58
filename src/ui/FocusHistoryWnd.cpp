// CFocusHistoryWnd: construction, placement, and the figures the main dialog hands it.
#include "ui/FocusHistoryWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/mfc/WindowPlacement.h"
#include "session/FocusFigure.h"
#include "ui/FocusChart.h"
#include "ui/Readout.h"
#include "ui/RegionPanel.h"

namespace {

// Beside the main dialog and above the preview, which opens 400 pixels down: 800 x 330 inside
// leaves room for a title bar on a 1280 x 1024 screen and covers neither.
constexpr QSize kFirstSize(800, 330);
constexpr double kFigureFontScale = 2.5;  // the figure read from across the bench
constexpr double kStateFontScale = 1.2;

}  // namespace

CFocusHistoryWnd::CFocusHistoryWnd() : QWidget(nullptr) {
    setWindowTitle(QString::fromLatin1(kFocusHistoryTitle));
    // Opening with the preview must not take the keyboard from the lens.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now_ms = [clock] { return clock->elapsed(); };
    BuildLayout();
    BuildMenu();
    ShowReadouts();
}

CFocusHistoryWnd::~CFocusHistoryWnd() = default;

void CFocusHistoryWnd::BuildLayout() {
    m_pChart = new CFocusChart(m_history);
    m_pRegions = new CRegionPanel;
    m_pPeak = MakeReadout(QStringLiteral("Peak"));
    m_pOverflows = MakeReadout(QStringLiteral("Overflows"));
    QPalette peakColours = m_pPeak->palette();
    peakColours.setColor(QPalette::Text, QColor(kChartPeak));
    m_pPeak->setPalette(peakColours);

    auto* reset = new QPushButton(QStringLiteral("&Reset Peak"));
    reset->setToolTip(QStringLiteral("Hold the peak from now on (R)"));
    // Nothing in the window takes the keyboard, so R reaches keyPressEvent.
    reset->setFocusPolicy(Qt::NoFocus);
    connect(reset, &QPushButton::clicked, this, &CFocusHistoryWnd::ResetPeak);

    auto* grid = new QGridLayout(this);
    grid->addWidget(BuildFigureBox(), 0, 0, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Peak:")), 0, 1);
    grid->addWidget(m_pPeak, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Overflows:")), 1, 1);
    grid->addWidget(m_pOverflows, 1, 2);
    grid->addWidget(reset, 0, 3, 2, 1);
    grid->addWidget(m_pChart, 2, 0, 1, 4);
    grid->addWidget(m_pRegions, 0, 4, 3, 1);
    grid->setColumnStretch(0, 1);  // the figure's box grows: green is seen from afar
    grid->setRowStretch(2, 1);
    // Room for any figure a camera sends without the row moving.
    const int small = m_pPeak->fontMetrics().horizontalAdvance(QStringLiteral("-99999999"));
    m_pPeak->setFixedWidth(small + 8);
    m_pOverflows->setFixedWidth(small + 8);
}

// The figure and, on its left, whether the peak has been passed: one box that turns green.
QWidget* CFocusHistoryWnd::BuildFigureBox() {
    m_pFigure = MakeReadout(QStringLiteral("Figure"));
    m_pFocusState = MakeReadout(QStringLiteral("Focus state"), Qt::AlignLeft | Qt::AlignVCenter);
    m_messageFont = m_pFigure->font();
    m_figureFont = m_messageFont;
    m_figureFont.setPointSizeF(m_figureFont.pointSizeF() * kFigureFontScale);
    m_figureFont.setBold(true);
    m_pFigure->setFont(m_figureFont);
    QFont word = m_pFocusState->font();
    word.setPointSizeF(word.pointSizeF() * kStateFontScale);
    m_pFocusState->setFont(word);
    const int state_px = QFontMetrics(word).horizontalAdvance(QStringLiteral("searching")) + 12;
    m_pFocusState->setFixedWidth(state_px);
    // Wide enough for "Overflow", the figures a camera sends and the longest message; as high
    // as a figure: the row keeps still whatever it shows.
    const int figure_px = QFontMetrics(m_figureFont).horizontalAdvance(QStringLiteral("Overflow"));
    const int message_px =
        QFontMetrics(m_messageFont).horizontalAdvance(QString::fromLatin1(kNoFigureText));
    m_pFigure->setMinimumWidth(std::max(figure_px, message_px) + 16);
    m_pFigure->setFixedHeight(m_pFigure->sizeHint().height());

    m_pFigureBox = new QFrame;
    m_pFigureBox->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(m_pFigureBox);
    row->setContentsMargins(6, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_pFocusState);
    row->addWidget(m_pFigure, 1);
    ShowInFocusColours(m_pFigureBox, false);
    return m_pFigureBox;
}

void CFocusHistoryWnd::Create(QWidget* dialog) {
    m_pDialog = dialog;
    m_settings.Load();
    ShowRegionTraces(m_settings.bRegionTraces);
}

void CFocusHistoryWnd::DestroyWindow() {
    if (m_bPlaced) {
        m_settings.bPlaced = TRUE;
        m_settings.nLeft = pos().x();
        m_settings.nTop = pos().y();
        m_settings.nWidth = width();
        m_settings.nHeight = height();
    }
    m_settings.Save();
    hide();
}

void CFocusHistoryWnd::Open(bool bActivate) {
    if (!m_bPlaced) {
        PlaceFirstTime();
        m_bPlaced = true;
    }
    show();
    if (bActivate) {
        raise();
        activateWindow();
    }
}

void CFocusHistoryWnd::PlaceFirstTime() {
    const QScreen* screen =
        m_pDialog && m_pDialog->screen() ? m_pDialog->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(kFirstSize);
        return;
    }
    // Until the window is framed, the dialog's frame is the best guess at its own.
    QSize frame_extra(0, 0);
    if (m_pDialog)
        frame_extra = m_pDialog->frameGeometry().size() - m_pDialog->geometry().size();
    const QRect available = screen->availableGeometry();
    if (m_settings.bPlaced) {
        // The frame kept on the screen must be the one the window gets: the minimum size first.
        if (layout())
            layout()->activate();
        resize(m_settings.nWidth, m_settings.nHeight);
        const FrameExtent remembered{m_settings.nLeft, m_settings.nTop,
                                     int64_t{width()} + frame_extra.width(),
                                     int64_t{height()} + frame_extra.height()};
        const QRect kept = KeepOnScreen(remembered, available);
        resize(kept.size() - frame_extra);
        move(kept.topLeft());
        return;
    }
    QSize size = kFirstSize.boundedTo(available.size() - frame_extra);
    if (m_pDialog) {
        // Narrower rather than over the dialog's buttons when the screen is small.
        const int room = available.right() - m_pDialog->frameGeometry().right() - kBesideGap_px -
                         frame_extra.width();
        if (room < size.width() && room >= minimumSizeHint().width())
            size.setWidth(room);
    }
    resize(size);
    MoveBeside(this, m_pDialog);
}

void CFocusHistoryWnd::Clear() {
    m_history.Clear();
    m_bHasRegions = false;
    m_bRan = false;
    m_bNoFigure = false;
    m_bCameraLost = false;
    ShowReadouts();
}

void CFocusHistoryWnd::StartRun() {
    m_history.ResetPeak();
    m_bHasRegions = false;  // the last preview's regions are no reading of this one
    ShowReadouts();
}

void CFocusHistoryWnd::FollowPreview(BOOL bRunning) {
    m_bRunning = bRunning != FALSE;
    if (!bRunning) {
        m_history.Pause(m_now_ms());
        ShowReadouts();
        return;
    }
    m_bRan = true;
    m_bNoFigure = false;
    m_bCameraLost = false;
    m_nLastFigure_ms = m_now_ms();  // the camera gets its second from the start
    m_history.Resume(m_nLastFigure_ms);
    if (m_settings.bShown && !isVisible())
        Open(false);
    ShowReadouts();
}

void CFocusHistoryWnd::Pause() {
    m_history.Pause(m_now_ms());
}

void CFocusHistoryWnd::AddFigure(LONG value) {
    m_nLastFigure_ms = m_now_ms();
    m_bNoFigure = false;
    m_history.Add(m_nLastFigure_ms, value);
    ShowReadouts();
}

void CFocusHistoryWnd::TickWithoutFigure() {
    if (!m_bRunning || m_bNoFigure || m_now_ms() - m_nLastFigure_ms < kNoFigureAfter_ms)
        return;
    m_bNoFigure = true;
    ShowReadouts();
}

void CFocusHistoryWnd::LoseCamera() {
    m_bCameraLost = true;
    ShowReadouts();
}

void CFocusHistoryWnd::AddRegions(const RegionSharpness& regions) {
    // The read-outs show the values the history holds, so a peak compares with its own kind.
    m_regions = regions;
    RegionValues mtf50;
    for (int r = 0; r < kSfrRegionCount; ++r) {
        EdgeSfr& region = m_regions.regions[r];
        mtf50[r] = region.bEdge ? static_cast<float>(region.mtf50) : std::nanf("");
        region.mtf50 = region.bEdge ? mtf50[r] : 0.0;
    }
    m_history.AddRegions(m_now_ms(), mtf50);
    m_bHasRegions = true;
    ShowReadouts();
}

void CFocusHistoryWnd::ShowRegionTraces(bool bShow) {
    m_settings.bRegionTraces = bShow ? TRUE : FALSE;
    m_pRegionTraces->setChecked(bShow);
    m_pChart->SetShowRegions(bShow);
}

void CFocusHistoryWnd::ResetPeak() {
    m_history.ResetPeak();
    ShowReadouts();
}

void CFocusHistoryWnd::ShowReadouts() {
    const FocusSample* latest = m_history.Latest();
    const bool bStopped = !m_bRunning && m_bRan;
    const QString message = StaleMessage();
    ShowFigureMessage(message);
    if (message.isEmpty()) {
        SetTextIfChanged(m_pFigure, latest ? QString::fromStdString(FormatFocusValue(latest->value))
                                           : QString());
        ShowInFocus(latest != nullptr, latest && m_history.InFocus(latest->value));
    }
    SetTextIfChanged(m_pPeak, m_history.HasPeak()
                                  ? QString::fromStdString(FormatFocusValue(m_history.Peak()))
                                  : QString());
    const size_t overflows = m_history.OverflowCount();
    SetTextIfChanged(m_pOverflows, QString::number(overflows));
    SetTextColour(m_pOverflows,
                  overflows ? QColor(kChartOverflow) : palette().color(QPalette::WindowText));
    m_pRegions->ShowRegions(LatestRegions(), m_history, bStopped);
    m_pChart->update();
}

QString CFocusHistoryWnd::StaleMessage() const {
    if (m_bRunning ? m_bNoFigure : m_bCameraLost)
        return QString::fromLatin1(kNoFigureText);
    if (!m_bRunning && m_bRan)
        return QString::fromLatin1(kPreviewStoppedText);
    return {};
}

// Green only once the peak has been passed: at start-up and after a reset the first blurred
// figure is its own peak, and green then would call a blurred picture sharp.
void CFocusHistoryWnd::ShowInFocus(bool bHasFigure, bool bInFocus) {
    SetTextIfChanged(m_pFocusState, !bHasFigure ? QString()
                                    : bInFocus  ? QStringLiteral("in focus")
                                                : QStringLiteral("searching"));
    for (QWidget* part :
         {m_pFigureBox, static_cast<QWidget*>(m_pFigure), static_cast<QWidget*>(m_pFocusState)})
        ShowInFocusColours(part, bInFocus);
    const QString description = bInFocus ? QStringLiteral("in focus") : QString();
    if (m_pFigure->accessibleDescription() != description)
        m_pFigure->setAccessibleDescription(description);
}

// In the window's own size and grey, with no state: nothing in the box reads as a live figure.
void CFocusHistoryWnd::ShowFigureMessage(const QString& message) {
    const bool bMessage = !message.isEmpty();
    const QFont& font = bMessage ? m_messageFont : m_figureFont;
    if (m_pFigure->font() != font)
        m_pFigure->setFont(font);
    const Qt::Alignment alignment =
        bMessage ? Qt::AlignCenter : Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter);
    if (m_pFigure->alignment() != alignment)
        m_pFigure->setAlignment(alignment);
    if (!bMessage)
        return;
    SetTextIfChanged(m_pFigure, message);
    SetTextIfChanged(m_pFocusState, QString());
    ShowInFocusColours(m_pFigureBox, false);
    ShowInFocusColours(m_pFocusState, false);
    ShowStaleColours(m_pFigure);
    if (!m_pFigure->accessibleDescription().isEmpty())
        m_pFigure->setAccessibleDescription(QString());
}

void CFocusHistoryWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_R && !(event->modifiers() & ~Qt::KeypadModifier)) {
        ResetPeak();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CFocusHistoryWnd::closeEvent(QCloseEvent* event) {
    // The operator closed it: it stays closed, also at the next start, until asked for.
    m_settings.bShown = FALSE;
    event->accept();
}

void CFocusHistoryWnd::showEvent(QShowEvent* event) {
    m_pToggle->setChecked(true);
    QWidget::showEvent(event);
}

void CFocusHistoryWnd::hideEvent(QHideEvent* event) {
    m_pToggle->setChecked(false);
    QWidget::hideEvent(event);
}

// CFocusHistoryWnd: construction, placement, and the figures the main dialog hands it.
#include "ui/FocusHistoryWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <memory>

#include "platform/mfc/WindowPlacement.h"
#include "session/FocusFigure.h"
#include "ui/FocusChart.h"

namespace {

// Beside the main dialog and above the preview, which opens 400 pixels down: 560 x 330 inside
// leaves room for a title bar on a 1280 x 1024 screen and covers neither.
constexpr QSize kFirstSize(560, 330);
constexpr double kFigureFontScale = 2.5;  // the figure read from across the bench

// A read-out's colours out of the band: those of a label on the window.
QPalette ReadoutPalette(QPalette colours) {
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    colours.setColor(QPalette::Text, colours.color(QPalette::WindowText));
    return colours;
}

QLineEdit* MakeReadout(const QString& accessibleName) {
    auto* readout = new QLineEdit;
    readout->setPalette(ReadoutPalette(readout->palette()));
    // A read-out, not a field: no frame, no focus, clicks and the menu go to the window; the
    // text stays readable to assistive tools.
    readout->setReadOnly(true);
    readout->setFrame(false);
    readout->setFocusPolicy(Qt::NoFocus);
    readout->setContextMenuPolicy(Qt::NoContextMenu);
    readout->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout->setAccessibleName(accessibleName);
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return readout;
}

// The screen under a remembered frame's centre, if any.
const QScreen* ScreenUnder(const FrameExtent& frame) {
    const auto centre = [](int64_t start, int64_t extent) {
        return static_cast<int>(std::clamp<int64_t>(start + extent / 2, INT_MIN, INT_MAX));
    };
    return QGuiApplication::screenAt(
        QPoint(centre(frame.left, frame.width), centre(frame.top, frame.height)));
}

void SetTextIfChanged(QLineEdit* readout, const QString& text) {
    if (readout->text() != text)
        readout->setText(text);
}

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
    m_pFigure = MakeReadout(QStringLiteral("Figure"));
    m_pPeak = MakeReadout(QStringLiteral("Peak"));
    m_pOverflows = MakeReadout(QStringLiteral("Overflows"));

    QFont big = m_pFigure->font();
    big.setPointSizeF(big.pointSizeF() * kFigureFontScale);
    big.setBold(true);
    m_pFigure->setFont(big);
    // Wide enough for "Overflow" and the figures a camera sends, so the row keeps still.
    const QFontMetrics metrics(big);
    m_pFigure->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("Overflow")) + 16);
    m_pFigure->setAutoFillBackground(true);
    QPalette peakColours = m_pPeak->palette();
    peakColours.setColor(QPalette::Text, QColor(kChartPeak));
    m_pPeak->setPalette(peakColours);

    auto* reset = new QPushButton(QStringLiteral("&Reset Peak"));
    reset->setToolTip(QStringLiteral("Hold the peak from now on (R)"));
    // Nothing in the window takes the keyboard, so R reaches keyPressEvent.
    reset->setFocusPolicy(Qt::NoFocus);
    connect(reset, &QPushButton::clicked, this, &CFocusHistoryWnd::ResetPeak);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pFigure, 0, 0, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Peak:")), 0, 1);
    grid->addWidget(m_pPeak, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Overflows:")), 1, 1);
    grid->addWidget(m_pOverflows, 1, 2);
    grid->addWidget(reset, 0, 3, 2, 1);
    grid->addWidget(m_pChart, 2, 0, 1, 4);
    grid->setColumnStretch(0, 1);  // the figure's box grows: green is seen from afar
    grid->setRowStretch(2, 1);
    // Room for any figure a camera sends without the row moving; narrow enough that the window
    // fits beside the dialog on an 800-pixel-wide screen.
    const int small = m_pPeak->fontMetrics().horizontalAdvance(QStringLiteral("-99999999"));
    m_pPeak->setFixedWidth(small + 8);
    m_pOverflows->setFixedWidth(small + 8);
}

void CFocusHistoryWnd::Create(QWidget* dialog) {
    m_pDialog = dialog;
    m_settings.Load();
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
        const QScreen* there = ScreenUnder(remembered);
        const QRect kept = KeepInside(remembered, there ? there->availableGeometry() : available);
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
    ShowReadouts();
}

void CFocusHistoryWnd::StartRun() {
    m_history.ResetPeak();
    ShowReadouts();
}

void CFocusHistoryWnd::FollowPreview(BOOL bRunning) {
    if (!bRunning) {
        m_history.Pause(m_now_ms());
        ShowReadouts();
        return;
    }
    m_history.Resume(m_now_ms());
    if (m_settings.bShown && !isVisible())
        Open(false);
    ShowReadouts();
}

void CFocusHistoryWnd::Pause() {
    m_history.Pause(m_now_ms());
}

void CFocusHistoryWnd::AddFigure(LONG value) {
    m_history.Add(m_now_ms(), value);
    ShowReadouts();
}

void CFocusHistoryWnd::ResetPeak() {
    m_history.ResetPeak();
    ShowReadouts();
}

void CFocusHistoryWnd::ShowReadouts() {
    const FocusSample* latest = m_history.Latest();
    SetTextIfChanged(m_pFigure,
                     latest ? QString::fromStdString(FormatFocusValue(latest->value)) : QString());
    ShowInBand(latest && m_history.InBand(latest->value));
    SetTextIfChanged(m_pPeak, m_history.HasPeak()
                                  ? QString::fromStdString(FormatFocusValue(m_history.Peak()))
                                  : QString());
    const size_t overflows = m_history.OverflowCount();
    SetTextIfChanged(m_pOverflows, QString::number(overflows));
    QPalette colours = m_pOverflows->palette();
    const QColor text = overflows ? QColor(kChartOverflow) : palette().color(QPalette::WindowText);
    if (colours.color(QPalette::Text) != text) {
        colours.setColor(QPalette::Text, text);
        m_pOverflows->setPalette(colours);
    }
    m_pChart->update();
}

void CFocusHistoryWnd::ShowInBand(bool bInBand) {
    if (bInBand == m_bShownInBand)
        return;
    m_bShownInBand = bInBand;
    QPalette colours = ReadoutPalette(palette());
    if (bInBand) {
        colours.setColor(QPalette::Base, QColor(kInBandBackground));
        colours.setColor(QPalette::Window, QColor(kInBandBackground));
        colours.setColor(QPalette::Text, Qt::white);
    }
    m_pFigure->setPalette(colours);
    m_pFigure->setAccessibleDescription(bInBand ? QStringLiteral("within 90 % of the peak")
                                                : QString());
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

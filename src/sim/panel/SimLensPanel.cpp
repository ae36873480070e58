#include "sim/panel/SimLensPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>
#include <vector>

#include "platform/mfc/WindowPlacement.h"
#include "sim/SimScene.h"

namespace {

constexpr int kThumbWidth = 160;
constexpr int kThumbHeight = 120;
constexpr int kWheelNotch = 120;  // eighths of a degree

}  // namespace

CSimLensPanel::CSimLensPanel(std::shared_ptr<CSimScene> scene)
    : m_pScene(std::move(scene)),
      m_pSlider(new QSlider(Qt::Horizontal)),
      m_pPosition(new QSpinBox),
      m_pTiltX(new QSpinBox),
      m_pTiltY(new QSpinBox),
      m_pThumbnail(new QLabel) {
    setWindowTitle(QString::fromUtf8(kSimLensPanelTitle));
    setFocusPolicy(Qt::StrongFocus);
    const SimSceneConfig& config = m_pScene->Config();
    m_pSlider->setRange(config.lensMin, config.lensMax);
    m_pSlider->setSingleStep(kLensKeyStep);
    m_pSlider->setPageStep(kLensPageStep);
    m_pSlider->setMinimumWidth(kLensSliderLength_px);
    m_pSlider->setTickPosition(QSlider::TicksBelow);
    m_pSlider->setTickInterval(50);
    m_pPosition->setRange(config.lensMin, config.lensMax);
    // The lens moves when a typed number is complete, not at each digit.
    m_pPosition->setKeyboardTracking(false);
    m_pPosition->setAccessibleName(QStringLiteral("Lens position"));
    m_pSlider->setAccessibleName(QStringLiteral("Lens"));
    m_pThumbnail->setFixedSize(kThumbWidth, kThumbHeight);
    for (QSpinBox* tilt : {m_pTiltX, m_pTiltY}) {
        tilt->setRange(-CSimScene::kTiltMax, CSimScene::kTiltMax);
        tilt->setKeyboardTracking(false);
    }
    m_pTiltX->setAccessibleName(QStringLiteral("Tilt X"));
    m_pTiltY->setAccessibleName(QStringLiteral("Tilt Y"));

    auto* caption = new QLabel(QStringLiteral("Lens &position:"));
    caption->setBuddy(m_pPosition);
    auto* hint =
        new QLabel(QStringLiteral("Arrows \u00b11  \u00b7  Page \u00b125  \u00b7  "
                                  "Wheel \u00b15  \u00b7  Ctrl+Wheel \u00b11"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pThumbnail, 0, 0, 3, 1);
    grid->addWidget(caption, 0, 1);
    grid->addWidget(m_pPosition, 0, 2, Qt::AlignLeft);
    grid->addWidget(m_pSlider, 1, 1, 1, 3);
    grid->addWidget(hint, 2, 1, 1, 3);
    auto* tilts = new QHBoxLayout;
    auto* tiltXCaption = new QLabel(QStringLiteral("Tilt &X:"));
    auto* tiltYCaption = new QLabel(QStringLiteral("Tilt &Y:"));
    tiltXCaption->setBuddy(m_pTiltX);
    tiltYCaption->setBuddy(m_pTiltY);
    for (QWidget* w : {static_cast<QWidget*>(tiltXCaption), static_cast<QWidget*>(m_pTiltX),
                       static_cast<QWidget*>(tiltYCaption), static_cast<QWidget*>(m_pTiltY)}) {
        tilts->addWidget(w);
    }
    tilts->addStretch(1);
    grid->addLayout(tilts, 0, 3);
    grid->setColumnStretch(3, 1);

    // One set of steps wherever the input lands, whatever the child widget would do alone.
    m_pSlider->installEventFilter(this);
    m_pPosition->installEventFilter(this);
    if (auto* edit = m_pPosition->findChild<QLineEdit*>())
        edit->installEventFilter(this);
    // The wheel turns the lens over the tilt boxes too; their keys are their own.
    for (QSpinBox* tilt : {m_pTiltX, m_pTiltY}) {
        tilt->installEventFilter(this);
        if (auto* edit = tilt->findChild<QLineEdit*>())
            edit->installEventFilter(this);
    }

    QObject::connect(m_pSlider, &QSlider::valueChanged, this,
                     [this](int value) { MoveLensTo(value); });
    QObject::connect(m_pPosition, &QSpinBox::valueChanged, this,
                     [this](int value) { MoveLensTo(value); });
    QObject::connect(m_pTiltX, &QSpinBox::valueChanged, this, [this](int value) {
        m_pScene->SetTiltX(value);
        ShowPicture();
    });
    QObject::connect(m_pTiltY, &QSpinBox::valueChanged, this, [this](int value) {
        m_pScene->SetTiltY(value);
        ShowPicture();
    });
    Refresh();
    // Laid out once: the size does not follow the numbers shown.
    setFixedSize(sizeHint());
}

void CSimLensPanel::Refresh() {
    const int position = m_pScene->GetLensPosition();
    {
        const QSignalBlocker blockSlider(m_pSlider);
        const QSignalBlocker blockBox(m_pPosition);
        const QSignalBlocker blockTiltX(m_pTiltX);
        const QSignalBlocker blockTiltY(m_pTiltY);
        m_pSlider->setValue(position);
        m_pPosition->setValue(position);
        m_pTiltX->setValue(m_pScene->GetTiltX());
        m_pTiltY->setValue(m_pScene->GetTiltY());
    }
    ShowPicture();
}

void CSimLensPanel::ShowPicture() {
    std::vector<BYTE> bgr(static_cast<size_t>(kThumbWidth) * kThumbHeight * 3);
    m_pScene->RenderBgr(kThumbWidth, kThumbHeight, bgr.data(), kThumbWidth * 3, false);
    const QImage image(bgr.data(), kThumbWidth, kThumbHeight, kThumbWidth * 3,
                       QImage::Format_BGR888);
    m_pThumbnail->setPixmap(QPixmap::fromImage(image));  // copies the pixels
}

void CSimLensPanel::Open(const QWidget* anchor) {
    Refresh();
    if (isVisible())
        return;
    if (anchor)
        MoveBeside(this, anchor);
    show();
    raise();
    activateWindow();
    m_pSlider->setFocus(Qt::OtherFocusReason);
}

void CSimLensPanel::MoveLensBy(int steps) {
    m_pScene->MoveLens(steps);
    Refresh();
}

void CSimLensPanel::MoveLensTo(int position) {
    m_pScene->SetLensPosition(position);
    Refresh();
}

bool CSimLensPanel::HandleWheel(QWheelEvent* event) {
    m_nWheelRemainder += event->angleDelta().y();
    const int notches = m_nWheelRemainder / kWheelNotch;
    m_nWheelRemainder -= notches * kWheelNotch;
    const bool fine = event->modifiers() & Qt::ControlModifier;
    if (notches != 0)
        MoveLensBy(notches * (fine ? kLensFineWheelStep : kLensWheelStep));
    event->accept();
    return true;
}

bool CSimLensPanel::HandleKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            MoveLensBy(-kLensKeyStep);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Up:
            MoveLensBy(kLensKeyStep);
            return true;
        case Qt::Key_PageDown:
            MoveLensBy(-kLensPageStep);
            return true;
        case Qt::Key_PageUp:
            MoveLensBy(kLensPageStep);
            return true;
        default:
            return false;
    }
}

bool CSimLensPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel)
        return HandleWheel(static_cast<QWheelEvent*>(event));
    // Left and Right edit the typed number in the spin box; everywhere else they turn the lens.
    const bool inTilt =
        watched == m_pTiltX || watched == m_pTiltY ||
        (watched && (watched->parent() == m_pTiltX || watched->parent() == m_pTiltY));
    if (event->type() == QEvent::KeyPress && !inTilt) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool inBox = watched != m_pSlider;
        if (inBox && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right))
            return false;
        return HandleKey(key);
    }
    return QWidget::eventFilter(watched, event);
}

void CSimLensPanel::wheelEvent(QWheelEvent* event) {
    HandleWheel(event);
}

void CSimLensPanel::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event))
        QWidget::keyPressEvent(event);
}

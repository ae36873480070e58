#include "sim/SimLensPanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <vector>

#include "sim/SimScene.h"

namespace {

constexpr int kThumbWidth = 160;
constexpr int kThumbHeight = 120;
constexpr int kWheelStep = 5;

}  // namespace

CSimLensPanel::CSimLensPanel(std::shared_ptr<CSimScene> scene)
    : m_pScene(std::move(scene)),
      m_pSlider(new QSlider(Qt::Horizontal)),
      m_pPosition(new QLabel),
      m_pThumbnail(new QLabel) {
    setWindowTitle(QString::fromUtf8(kSimLensPanelTitle));
    setFocusPolicy(Qt::StrongFocus);
    const SimSceneConfig& config = m_pScene->Config();
    m_pSlider->setRange(config.lensMin, config.lensMax);
    m_pSlider->setSingleStep(1);
    m_pSlider->setPageStep(25);
    m_pThumbnail->setFixedSize(kThumbWidth, kThumbHeight);

    auto* column = new QVBoxLayout;
    column->addWidget(m_pPosition);
    column->addWidget(m_pSlider);
    auto* row = new QHBoxLayout(this);
    row->addWidget(m_pThumbnail);
    row->addLayout(column);

    QObject::connect(m_pSlider, &QSlider::valueChanged, this,
                     [this](int value) { MoveLensTo(value); });
    Refresh();
}

void CSimLensPanel::Refresh() {
    const int position = m_pScene->GetLensPosition();
    {
        const QSignalBlocker block(m_pSlider);
        m_pSlider->setValue(position);
    }
    m_pPosition->setText(QStringLiteral("Lens position: %1").arg(position));
    std::vector<BYTE> bgr(static_cast<size_t>(kThumbWidth) * kThumbHeight * 3);
    m_pScene->RenderBgr(kThumbWidth, kThumbHeight, bgr.data(), kThumbWidth * 3, false);
    const QImage image(bgr.data(), kThumbWidth, kThumbHeight, kThumbWidth * 3,
                       QImage::Format_BGR888);
    m_pThumbnail->setPixmap(QPixmap::fromImage(image));  // copies the pixels
}

void CSimLensPanel::MoveLensTo(int position) {
    m_pScene->SetLensPosition(position);
    Refresh();
}

void CSimLensPanel::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        MoveLensTo(m_pScene->GetLensPosition() + notches * kWheelStep);
    event->accept();
}

void CSimLensPanel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            MoveLensTo(m_pScene->GetLensPosition() - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            MoveLensTo(m_pScene->GetLensPosition() + 1);
            break;
        case Qt::Key_PageDown:
            MoveLensTo(m_pScene->GetLensPosition() - 25);
            break;
        case Qt::Key_PageUp:
            MoveLensTo(m_pScene->GetLensPosition() + 25);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

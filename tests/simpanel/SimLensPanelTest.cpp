// The lens panel as an operator uses it.
#include "sim/panel/SimLensPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>

#include "platform/mfc/WindowPlacement.h"
#include "sim/SimScene.h"

namespace {

class SimLensPanelTest : public ::testing::Test {
protected:
    void Key(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    void Wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
    int Lens() const { return scene->GetLensPosition(); }

    std::shared_ptr<CSimScene> scene = std::make_shared<CSimScene>();
    CSimLensPanel panel{scene};
};

TEST_F(SimLensPanelTest, KeysAndWheelStepTheSameWhereverTheyLand) {
    ASSERT_EQ(Lens(), 420);
    struct Step {
        int key;
        int delta;
    };
    for (QWidget* target :
         {static_cast<QWidget*>(panel.Slider()), static_cast<QWidget*>(panel.PositionBox()),
          static_cast<QWidget*>(&panel)}) {
        for (const Step step : {Step{Qt::Key_Up, 1}, Step{Qt::Key_Down, -1},
                                Step{Qt::Key_PageUp, 25}, Step{Qt::Key_PageDown, -25}}) {
            const int before = Lens();
            Key(target, step.key);
            EXPECT_EQ(Lens(), before + step.delta) << target->metaObject()->className();
        }
        const int before = Lens();
        Wheel(target, 2 * 120);
        EXPECT_EQ(Lens(), before + 10);
        Wheel(target, -120, Qt::ControlModifier);
        EXPECT_EQ(Lens(), before + 9);
        Wheel(target, 60);  // half a notch waits for the other half
        EXPECT_EQ(Lens(), before + 9);
        Wheel(target, 60);
        EXPECT_EQ(Lens(), before + 14);
    }
    Key(panel.Slider(), Qt::Key_Right);
    EXPECT_EQ(panel.Slider()->value(), Lens());
    EXPECT_EQ(panel.PositionBox()->value(), Lens());
}

TEST_F(SimLensPanelTest, ThePositionBoxTakesAnExactPositionAndTheEndsHold) {
    panel.PositionBox()->setValue(617);
    EXPECT_EQ(Lens(), 617);
    EXPECT_EQ(panel.Slider()->value(), 617);
    // Left and Right edit the typed number there; they do not turn the lens.
    Key(panel.PositionBox()->findChild<QLineEdit*>(), Qt::Key_Left);
    EXPECT_EQ(Lens(), 617);
    panel.Slider()->setValue(1000);
    Key(panel.Slider(), Qt::Key_PageUp);
    EXPECT_EQ(Lens(), 1000);
    EXPECT_EQ(panel.PositionBox()->value(), 1000);
}

TEST_F(SimLensPanelTest, TheTiltBoxesTiltTheLensWithinTheirRangeAndFollowTheScene) {
    for (QSpinBox* box : {panel.TiltXBox(), panel.TiltYBox()}) {
        EXPECT_EQ(box->minimum(), -100);
        EXPECT_EQ(box->maximum(), 100);
        EXPECT_EQ(box->value(), 0);
    }
    EXPECT_EQ(panel.TiltYBox()->accessibleName(), "Tilt Y");  // X: the end-to-end suite finds it
    const QSize size = panel.size();
    panel.TiltXBox()->setValue(-100);
    panel.TiltYBox()->setValue(37);
    EXPECT_EQ(scene->GetTiltX(), -100);
    EXPECT_EQ(scene->GetTiltY(), 37);
    EXPECT_EQ(panel.size(), size);
    // The wheel over a tilt box still turns the lens; the tilt stays.
    const int before = Lens();
    Wheel(panel.TiltXBox(), 120);
    EXPECT_EQ(Lens(), before + 5);
    EXPECT_EQ(scene->GetTiltX(), -100);
    scene->SetTiltY(-4);
    panel.Refresh();
    EXPECT_EQ(panel.TiltYBox()->value(), -4);
}

TEST_F(SimLensPanelTest, OpensBesideThePreviewWithTheSliderFocusedAndASteadySize) {
    EXPECT_GE(panel.Slider()->width(), kLensSliderLength_px);
    const QSize size = panel.size();
    EXPECT_EQ(panel.minimumSize(), panel.maximumSize());
    QWidget preview;
    preview.setGeometry(20, 400, 640, 480);
    preview.show();
    panel.Open(&preview);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.pos(), PlaceBeside(preview.frameGeometry(), panel.frameGeometry().size(),
                                       preview.screen()->availableGeometry()));
    EXPECT_EQ(panel.focusWidget(), panel.Slider());
    panel.PositionBox()->setValue(5);
    panel.PositionBox()->setValue(999);
    EXPECT_EQ(panel.size(), size);
    // Open again while open (the preview restarting after a still): it stays where it is.
    panel.move(panel.pos() + QPoint(7, 7));
    const QPoint moved = panel.pos();
    panel.Open(&preview);
    EXPECT_EQ(panel.pos(), moved);  // closing only hides it: the observer's test
}

}  // namespace

// Window timers: ids, periods, restart, kill (also from inside a tick) and the window's death.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "QtTestApp.h"
#include "platform/win/WindowHandle.h"
#include "platform/win/WindowTimer.h"

namespace {

// Records the WM_TIMER ids it receives; can kill a timer from inside its tick.
class TickWindow : public QWidget {
public:
    std::vector<UINT_PTR> ticks;
    UINT_PTR killOnTick = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CWindowMessageEvent::EventType()) {
            auto* msg = static_cast<CWindowMessageEvent*>(e);
            if (msg->m_message == WM_TIMER) {
                ticks.push_back(msg->m_wParam);
                if (killOnTick)
                    KillTimer(HwndFromWidget(this), killOnTick);
            }
            return true;
        }
        return QWidget::event(e);
    }
};

// Runs the event loop until `done` or a generous deadline; never asserts on timing.
template <class Pred>
void SpinUntil(Pred done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

}  // namespace

TEST(WindowTimer, DeliversItsIdUntilKilled) {
    EnsureQtApp();
    TickWindow window;
    HWND hwnd = HwndFromWidget(&window);
    EXPECT_EQ(SetTimer(hwnd, 100, 5), 100u);
    EXPECT_EQ(SetTimer(hwnd, 7, 5), 7u);
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 5u);
    SpinUntil([&] { return window.ticks.size() >= 6; });
    EXPECT_NE(std::count(window.ticks.begin(), window.ticks.end(), 100u), 0);
    EXPECT_NE(std::count(window.ticks.begin(), window.ticks.end(), 7u), 0);

    EXPECT_TRUE(KillTimer(hwnd, 100));
    EXPECT_FALSE(KillTimer(hwnd, 100));
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 0u);
    KillTimer(hwnd, 7);
    QCoreApplication::processEvents();
    window.ticks.clear();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    EXPECT_TRUE(window.ticks.empty());
}

TEST(WindowTimer, SetAgainRestartsWithTheNewPeriod) {
    EnsureQtApp();
    TickWindow window;
    HWND hwnd = HwndFromWidget(&window);
    SetTimer(hwnd, 100, 1000);
    SetTimer(hwnd, 100, 250);
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 250u);
    EXPECT_EQ(window.findChildren<QObject*>().size(), 1);  // one timer, not two
}

TEST(WindowTimer, KillFromInsideItsOwnTickAndSetAgain) {
    EnsureQtApp();
    TickWindow window;
    HWND hwnd = HwndFromWidget(&window);
    window.killOnTick = 100;
    SetTimer(hwnd, 100, 1);
    SpinUntil([&] { return !window.ticks.empty(); });
    EXPECT_EQ(window.ticks.size(), 1u);
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 0u);
    window.killOnTick = 0;
    EXPECT_EQ(SetTimer(hwnd, 100, 1), 100u);  // a fresh timer, not the dying one
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 1u);
    SpinUntil([&] { return window.ticks.size() >= 2; });
    EXPECT_GE(window.ticks.size(), 2u);
}

TEST(WindowTimer, RefusesDeadWindowsAndIdZero) {
    EnsureQtApp();
    auto window = std::make_unique<TickWindow>();
    HWND hwnd = HwndFromWidget(window.get());
    EXPECT_EQ(SetTimer(hwnd, 0, 10), 0u);
    SetTimer(hwnd, 100, 1);
    window.reset();  // the timer dies with its window
    EXPECT_EQ(SetTimer(hwnd, 100, 10), 0u);
    EXPECT_FALSE(KillTimer(hwnd, 100));
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 0u);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

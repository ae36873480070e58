// Window handles, posted messages, finding by title, and window timers.
#include <gtest/gtest.h>

#include <QTimer>
#include <memory>
#include <thread>

#include "platform/mfc/WindowTimer.h"
#include "support/MessageRecorder.h"
#include "support/SpinUntil.h"

namespace {

TEST(WindowTest, AHandleOutlivesItsWidgetWithoutEverNamingAnother) {
    EXPECT_EQ(HwndFromWidget(nullptr), nullptr);
    auto first = std::make_unique<CMessageRecorder>();
    const HWND h = HwndFromWidget(first.get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(HwndFromWidget(first.get()), h);
    EXPECT_EQ(WidgetFromHwnd(h), first.get());

    // Posted to a window that dies before the loop runs: dropped, not delivered to freed memory.
    ASSERT_EQ(PostMessage(h, WM_USER + 1, 0, 0), TRUE);
    EXPECT_EQ(DestroyWindow(h), TRUE);
    first.release();  // DestroyWindow deleted it
    QCoreApplication::processEvents();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(WidgetFromHwnd(h), nullptr);
    EXPECT_EQ(DestroyWindow(h), FALSE);
    EXPECT_EQ(PostMessage(h, WM_USER + 1, 0, 0), FALSE);
    CMessageRecorder second;  // may reuse the memory, never the handle
    EXPECT_NE(HwndFromWidget(&second), h);
}

TEST(WindowTest, PostsArriveLaterAndInOrderFromAnyThread) {
    CMessageRecorder window;
    const HWND h = HwndFromWidget(&window);
    ASSERT_EQ(PostMessage(h, WM_USER + 1, 5, -9), TRUE);
    std::thread([h] { PostMessage(h, WM_TIMER, 100, 0); }).join();
    EXPECT_TRUE(window.m_messages.empty()) << "posting must not deliver synchronously";
    QCoreApplication::processEvents();
    EXPECT_EQ(window.m_messages, (MessageList{{WM_USER + 1, 5, -9}, {WM_TIMER, 100, 0}}));
}

TEST(WindowTest, FindWindowMatchesTheWholeTitleOfTopLevelWindowsOnly) {
    InstallWindowSystem();
    QWidget target, nearMiss, parent;
    target.setWindowTitle("ActiveMovie Window");
    nearMiss.setWindowTitle("ActiveMovie Window ");
    (new QWidget(&parent))->setWindowTitle("Child Window");
    EXPECT_EQ(FindWindow("AnyClass", "ActiveMovie Window"), HwndFromWidget(&target));
    for (const char* title : {"activemovie window", "ActiveMovie", "Child Window"})
        EXPECT_EQ(FindWindow(nullptr, title), nullptr) << title;
    EXPECT_EQ(FindWindow(nullptr, nullptr), nullptr);
}

TEST(WindowTest, TimersTickWithTheirIdUntilKilledEvenFromInsideTheirOwnTick) {
    CMessageRecorder window;
    const HWND hwnd = HwndFromWidget(&window);
    EXPECT_EQ(SetTimer(hwnd, 0, 10), 0u);
    EXPECT_EQ(SetTimer(hwnd, 100, 1000), 100u);
    EXPECT_EQ(SetTimer(hwnd, 100, 1), 100u);  // restarts the same timer at the new period
    EXPECT_EQ(GetTimerPeriod(hwnd, 100), 1u);
    EXPECT_EQ(window.findChildren<QTimer*>().size(), 1);
    EXPECT_EQ(SetTimer(hwnd, 7, 1), 7u);

    window.m_onMessage = [hwnd](const auto& m) { EXPECT_TRUE(KillTimer(hwnd, std::get<1>(m))); };
    ASSERT_TRUE(SpinUntil([&] { return window.m_messages.size() >= 2; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    EXPECT_EQ(window.m_messages.size(), 2u) << "a timer killed in its tick ticks no more";
    EXPECT_EQ(GetTimerPeriod(hwnd, 7), 0u);
    EXPECT_FALSE(KillTimer(hwnd, 100));

    window.m_onMessage = nullptr;
    EXPECT_EQ(SetTimer(hwnd, 100, 1), 100u);  // a fresh timer, not the dying one
    ASSERT_TRUE(SpinUntil([&] { return window.m_messages.size() >= 4; }));
    EXPECT_EQ(window.m_messages.back(), (CMessageRecorder::Message{WM_TIMER, 100, 0}));
}

}  // namespace

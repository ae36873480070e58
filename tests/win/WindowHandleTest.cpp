// Window handles: identity, posting from any thread, a dead window, finding by exact title.
#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <thread>
#include <vector>

#include "QtTestApp.h"
#include "platform/win/WindowHandle.h"

namespace {

class MessageWindow : public QWidget {
public:
    std::vector<CWindowMessageEvent> received;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CWindowMessageEvent::EventType()) {
            const auto* m = static_cast<CWindowMessageEvent*>(e);
            received.emplace_back(m->m_message, m->m_wParam, m->m_lParam);
            return true;
        }
        return QWidget::event(e);
    }
};

class WindowHandleTest : public testing::Test {
protected:
    void SetUp() override { EnsureQtApp(); }
};

TEST_F(WindowHandleTest, AWidgetKeepsOneHandleAndADeadOneIsNeverNamedAgain) {
    EXPECT_EQ(HwndFromWidget(nullptr), nullptr);
    auto first = std::make_unique<QWidget>();
    const HWND h = HwndFromWidget(first.get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(HwndFromWidget(first.get()), h);
    EXPECT_EQ(WidgetFromHwnd(h), first.get());
    EXPECT_TRUE(IsWindow(h));

    first.reset();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(WidgetFromHwnd(h), nullptr);
    // A new widget may reuse the memory but never the handle.
    auto second = std::make_unique<QWidget>();
    EXPECT_NE(HwndFromWidget(second.get()), h);
    EXPECT_EQ(PostMessage(h, WM_USER + 1, 0, 0), FALSE);
}

TEST_F(WindowHandleTest, PostedMessagesArriveInOrderFromAnyThread) {
    MessageWindow window;
    const HWND h = HwndFromWidget(&window);
    ASSERT_EQ(PostMessage(h, WM_USER + 1, 5, -9), TRUE);
    std::thread other([h] { PostMessage(h, WM_TIMER, 100, 0); });
    other.join();
    EXPECT_TRUE(window.received.empty()) << "posting must not deliver synchronously";
    QCoreApplication::processEvents();
    ASSERT_EQ(window.received.size(), 2u);
    EXPECT_EQ(window.received[0].m_message, WM_USER + 1);
    EXPECT_EQ(window.received[0].m_wParam, 5u);
    EXPECT_EQ(window.received[0].m_lParam, -9);
    EXPECT_EQ(window.received[1].m_message, WM_TIMER);
    EXPECT_EQ(window.received[1].m_wParam, 100u);
}

TEST_F(WindowHandleTest, MessagesPostedToAWindowThatDiesAreDropped) {
    auto window = std::make_unique<MessageWindow>();
    const HWND h = HwndFromWidget(window.get());
    ASSERT_EQ(PostMessage(h, WM_USER + 1, 0, 0), TRUE);
    EXPECT_EQ(DestroyWindow(h), TRUE);
    window.release();                   // DestroyWindow deleted it
    QCoreApplication::processEvents();  // must not touch the dead window
    EXPECT_EQ(DestroyWindow(h), FALSE);
}

TEST_F(WindowHandleTest, FindWindowMatchesTheWholeTitleExactly) {
    QWidget target;
    target.setWindowTitle("ActiveMovie Window");
    QWidget nearMiss;
    nearMiss.setWindowTitle("ActiveMovie Window ");
    QWidget parent;
    auto* child = new QWidget(&parent);
    child->setWindowTitle("Child Window");

    EXPECT_EQ(FindWindow(nullptr, "ActiveMovie Window"), HwndFromWidget(&target));
    EXPECT_EQ(FindWindow("AnyClass", "ActiveMovie Window"), HwndFromWidget(&target));
    EXPECT_EQ(FindWindow(nullptr, "activemovie window"), nullptr);
    EXPECT_EQ(FindWindow(nullptr, "ActiveMovie"), nullptr);
    EXPECT_EQ(FindWindow(nullptr, "Child Window"), nullptr) << "only top-level windows count";
    EXPECT_EQ(FindWindow(nullptr, nullptr), nullptr);
}

}  // namespace

// Modal runs block only their owner: an operator turns the lens under any box.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <set>

#include "FocusDlgFixture.h"
#include "ui/AboutDlg.h"

namespace {

// Records which watched windows Qt blocked for a modal window.
class BlockedWindows : public QObject {
public:
    void Watch(QWidget* window) { window->installEventFilter(this); }
    std::set<QObject*> blocked;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked)
            blocked.insert(watched);
        return false;
    }
};

class ModalityTest : public FocusDlgFixture {
protected:
    void SetUp() override {
        FocusDlgFixture::SetUp();
        dlg->show();
        preview.setWindowTitle("ActiveMovie Window");
        preview.show();
        ASSERT_TRUE(dlg->SnapshotView().Create());
        dlg->SnapshotView().ShowWindow();
        for (QWidget* window : {static_cast<QWidget*>(dlg.get()), &preview,
                                static_cast<QWidget*>(&dlg->SnapshotView())})
            watcher.Watch(window);
    }
    void TearDown() override {
        dlg->SnapshotView().DestroyWindow();
        FocusDlgFixture::TearDown();
    }
    // Runs `check` inside the next modal loop, then ends that loop.
    void WhileModal(std::function<void(QWidget* modal)> check) {
        QTimer::singleShot(0, [check] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            check(modal);
            modal->close();
        });
    }

    QWidget preview;
    BlockedWindows watcher;
};

TEST_F(ModalityTest, TheAboutBoxAndAMessageBoxBlockTheDialogAlone) {
    WhileModal([this](QWidget* modal) {
        EXPECT_EQ(modal->parentWidget(), dlg.get());  // owned by the main window
        EXPECT_EQ(modal->windowModality(), Qt::WindowModal);
        EXPECT_EQ(watcher.blocked, std::set<QObject*>{dlg.get()});
    });
    dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    watcher.blocked.clear();
    SetMessageBoxHook({});  // the real box this time
    WhileModal([this](QWidget* modal) {
        EXPECT_NE(qobject_cast<QMessageBox*>(modal), nullptr);
        EXPECT_EQ(watcher.blocked, std::set<QObject*>{dlg.get()});
    });
    EXPECT_EQ(AfxMessageBox("text"), IDOK);
}

TEST_F(ModalityTest, TheMainDialogsOwnModalRunBlocksNothing) {
    CAboutDlg main;  // any dialog will do as the application's main window
    app->m_pMainWnd = &main;
    watcher.Watch(&main);
    WhileModal([this, &main](QWidget* modal) {
        EXPECT_EQ(modal, &main);
        EXPECT_EQ(modal->parentWidget(), nullptr);
        EXPECT_TRUE(watcher.blocked.empty());
    });
    main.DoModal();
    app->m_pMainWnd = dlg.get();
}

}  // namespace

// A main dialog on a test application object: message boxes and pauses are recorded instead
// of shown or waited for, settings go to a temporary registry file, the working directory is
// a temporary one ("Temp.jpg"), and every COM object and task block must be gone at the end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/FocusApp.h"
#include "platform/com/ComRuntime.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sleep.h"
#include "platform/win/WindowTimer.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"
#include "win/QtTestApp.h"

class FocusDlgFixture : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        m_liveAtStart = ComLiveObjectCount();
        m_taskAtStart = CoTaskMemOutstanding();
        ASSERT_TRUE(m_dir.isValid());
        m_oldCwd = get_current_dir_name();
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        setenv("NITIDOR_REGISTRY_FILE", RegistryFile().c_str(), 1);
        m_prevBox = SetMessageBoxHook([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        m_prevSleep = SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
        app = std::make_unique<CFocusApp>();
        app->m_pProfile = std::make_unique<CDeviceProfile>();
        dlg = std::make_unique<CFocusDlg>();
        app->m_pMainWnd = dlg.get();
        ASSERT_TRUE(dlg->Create());
    }

    void TearDown() override {
        if (dlg)
            dlg->DestroyWindow();
        dlg.reset();
        app->ExitInstance();
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetMessageBoxHook(m_prevBox);
        SetSleepHook(m_prevSleep);
        unsetenv("NITIDOR_REGISTRY_FILE");
        if (m_oldCwd) {
            EXPECT_EQ(chdir(m_oldCwd), 0);
            std::free(m_oldCwd);
        }
        EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart);
        EXPECT_EQ(CoTaskMemOutstanding(), m_taskAtStart);
    }

    std::string RegistryFile() const { return m_dir.filePath("registry.reg").toStdString(); }

    HWND Hwnd() { return dlg->GetSafeHwnd(); }
    bool FocusTimerRunning() { return GetTimerPeriod(Hwnd(), kFocusTimerId) != 0; }
    void Press(int id) { dlg->SendMessage(WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void SetCheck(int id, bool checked) {
        static_cast<QAbstractButton*>(dlg->GetDlgItem(id))->setChecked(checked);
    }
    int CountBoxes(unsigned id, UINT type) const {
        int n = 0;
        for (const MessageBoxCall& box : boxes)
            n += box.text == LoadResString(id) && box.type == type;
        return n;
    }

    std::unique_ptr<CFocusApp> app;
    std::unique_ptr<CFocusDlg> dlg;
    std::vector<MessageBoxCall> boxes;
    std::vector<DWORD> pauses;

private:
    QTemporaryDir m_dir;
    char* m_oldCwd = nullptr;
    long m_liveAtStart = 0;
    long m_taskAtStart = 0;
    MessageBoxHook m_prevBox;
    SleepHook m_prevSleep;
};

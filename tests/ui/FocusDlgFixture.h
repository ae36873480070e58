// A main dialog on a camera session of its own, under the framework's application object, in
// the private world of AppTestEnv.
#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <algorithm>
#include <memory>
#include <utility>

#include "fakes/AppTestEnv.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/mfc/ResourceModule.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowTimer.h"
#include "platform/renderer/VideoRenderer.h"
#include "sim/SimCameraRegistration.h"
#include "ui/DialogTemplates.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"

class FocusDlgFixture : public AppTestEnv {
protected:
    void SetUp() override {
        AppTestEnv::SetUp();
        AfxSetResourceHandle(&UiResources());
        app = std::make_unique<CWinApp>();
        ASSERT_TRUE(session.Prepare());
        dlg = std::make_unique<CFocusDlg>(session);
        app->m_pMainWnd = dlg.get();
        ASSERT_TRUE(dlg->Create());
    }
    void TearDown() override {
        if (m_cookie)
            UnregisterVideoInputDevice(m_cookie);
        dlg->DestroyWindow();
        dlg.reset();
        session.Finish();
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AppTestEnv::TearDown();
    }

    // The simulated camera, without its lens panel, behind the video renderer; a "New" finds it.
    void UseSimulatedCamera(const SimCameraConfig& config = {}) {
        RegisterDShowClasses();
        RegisterVideoRenderer();
        SimVideoConfig video;
        video.bLensPanel = FALSE;
        m_camera = std::make_shared<CSimCamera>(config);
        m_cookie = RegisterSimulatedCamera(m_camera, video);
    }
    // The camera leaves the system: the next "New" finds none.
    void Unplug() { UnregisterVideoInputDevice(std::exchange(m_cookie, 0)); }
    bool FocusTimerRunning() { return GetTimerPeriod(dlg->GetSafeHwnd(), kFocusTimerId) != 0; }
    // What a person sees of a control: its text, and whether it takes clicks.
    std::string TextOf(int id) const {
        QWidget* control = dlg->GetDlgItem(id);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            return button->text().toStdString();
        return static_cast<QLabel*>(control)->text().toStdString();
    }
    bool IsEnabled(int id) const { return dlg->GetDlgItem(id)->isEnabled(); }
    // A tick of a window timer, through the message map.
    void Tick(UINT_PTR id = kFocusTimerId) { dlg->SendMessage(WM_TIMER, id, 0); }
    CCameraSession& Session() { return session; }
    CCaptureDevice& Device() { return *session.Device(); }
    void Press(int id) { dlg->SendMessage(WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void SetCheck(int id, bool checked) {
        static_cast<QAbstractButton*>(dlg->GetDlgItem(id))->setChecked(checked);
    }
    long CountBoxes(unsigned id, UINT type) const {
        return std::count_if(boxes.begin(), boxes.end(), [&](const MessageBoxCall& box) {
            return box.text == LoadResString(id) && box.type == type;
        });
    }

    std::unique_ptr<CWinApp> app;  // the message boxes' caption; the dialog its main window
    int devicesMade = 0;           // by the session's connects
    CCameraSession session{[this] {
        ++devicesMade;
        return std::make_unique<CCaptureDevice>();
    }};
    std::unique_ptr<CFocusDlg> dlg;
    std::shared_ptr<CSimCamera> m_camera;

private:
    DWORD m_cookie = 0;
};

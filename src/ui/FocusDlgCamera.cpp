// CFocusDlg: the "Camera" submenu of the context menu, which chooses the camera "New" looks
// for among the video input devices.
#include <QActionGroup>
#include <algorithm>

#include "capture/CaptureDevice.h"
#include "ui/CameraChoice.h"
#include "ui/FocusDlg.h"

void CFocusDlg::AddCameraMenu(QAction* before) {
    m_pCameraMenu = new QMenu(QStringLiteral("Ca&mera"), m_pSystemMenu);
    m_pSystemMenu->insertMenu(before, m_pCameraMenu);
    ShowCameras();
}

// Listed afresh each time the menu opens; a chosen camera that is not plugged in stays listed,
// ticked, so the operator sees what "New" will look for.
void CFocusDlg::ShowCameras() {
    m_pCameraMenu->clear();
    auto* group = new QActionGroup(m_pCameraMenu);
    const std::string chosen = LoadCameraName();
    std::vector<std::string> names = ListCaptureDeviceNames();
    if (std::find(names.begin(), names.end(), chosen) == names.end())
        names.push_back(chosen);
    for (const std::string& name : names) {
        // A name is no mnemonic: its ampersands are shown as they are.
        QString text = QString::fromStdString(name);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = m_pCameraMenu->addAction(text);
        item->setCheckable(true);
        item->setChecked(name == chosen);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [name] { SaveCameraName(name); });
    }
}

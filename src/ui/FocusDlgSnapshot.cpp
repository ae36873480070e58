// CFocusDlg: the snapshot flows. Each stops the preview, asks the camera for a still,
// downloads it through the mailbox, converts and shows it, and restarts the preview after a
// pause. Buffers are owned by unique_ptr and handed to the view only when shown.
#include <memory>
#include <new>

#include "app/FocusApp.h"
#include "device/MailboxTransfer.h"
#include "imaging/JpegSnapshot.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawSnapshot.h"
#include "platform/mfc/MessageBox.h"
#include "platform/win/Sleep.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"

void CFocusDlg::OnSnapshot() {
    UpdateData(TRUE);
    if (m_bRawData)
        TakeRawSnapshot();
    else
        TakeJpegSnapshot();
    // Whatever the flow left running, the controls and the read-out say so.
    if (CCaptureDevice* device = Device())
        ShowPreviewControls(device->m_bRunning);
}

// The view's window is made by the first snapshot that needs it and reused afterwards.
void CFocusDlg::EnsureSnapshotView() {
    if (!m_bViewCreated) {
        m_wndSnapshotView.Create();
        m_bViewCreated = 1;
    }
}

void CFocusDlg::ShowSnapshot(std::unique_ptr<BYTE[]> image, int width, int height) {
    EnsureSnapshotView();
    m_wndSnapshotView.SetImage(std::move(image), width, height);
    m_wndSnapshotView.ShowWindow();
    // The pause that follows holds the user-interface thread: show the still before it.
    m_wndSnapshotView.UpdateWindow();
}

void CFocusDlg::RestartPreview(CCaptureDevice& device) {
    device.m_bPreviewWanted = TRUE;
    // Run is tried even after a failed rendering; it then fails too and says so again.
    if (!device.RenderPreview())
        AfxMessageBox(LoadResString(IDP_DEVICE_ACCESS_FAILED), MB_OK | MB_ICONSTOP);
    if (!device.Run())
        AfxMessageBox(LoadResString(IDP_DEVICE_ACCESS_FAILED), MB_OK | MB_ICONSTOP);
}

void CFocusDlg::TakeJpegSnapshot() {
    CFocusApp& app = App();
    CCaptureDevice* device = Device();
    if (!device)
        return;
    device->Stop();
    device->m_bPreviewWanted = FALSE;

    // A flow that ends before the download restarts the preview at once: no pause, and no
    // message unless the restart itself fails.
    ResolutionEntry entry;
    if (!app.m_pProfile || !app.m_pProfile->GetResolution(0, entry)) {
        RestartPreview(*device);
        return;
    }
    SnapshotRequest request;
    request.mode = SnapshotRequest::kModeJpeg;
    request.width = entry.width;
    request.height = entry.height;
    if (!device->RequestJpegSnapshot(request)) {
        RestartPreview(*device);
        return;
    }

    const int width = entry.width;
    const int height = entry.height;
    std::unique_ptr<BYTE[]> image(new (std::nothrow) BYTE[static_cast<size_t>(3) * width * height]);
    if (!image) {
        RestartPreview(*device);
        return;
    }

    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    if (DownloadBlock(*device, block, size, status)) {
        EnsureSnapshotView();
        // The stream's own length, not the rounded size of the download.
        if (DecodeJpegSnapshot(block.get(), status.lengthOrValue, image.get(), width, height))
            ShowSnapshot(std::move(image), width, height);
    }
    block.reset();
    image.reset();
    Sleep(kSnapshotPause_ms);
    RestartPreview(*device);
}

void CFocusDlg::TakeRawSnapshot() {
    CCaptureDevice* device = Device();
    if (!device)
        return;
    device->Stop();
    device->m_bPreviewWanted = FALSE;
    if (!device->RequestRawSnapshot(0)) {
        RestartPreview(*device);
        return;
    }

    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    RawSnapshotInfo info{};
    if (DownloadBlock(*device, block, size, status) && ParseRawSnapshot(block.get(), size, info)) {
        // An image that cannot be reserved drops the still and restarts the preview.
        std::unique_ptr<BYTE[]> image = ReserveRawImage(info.width, info.height);
        if (image && DevelopRawSnapshot(info, image.get()))
            ShowSnapshot(std::move(image), info.width, info.height);
    }
    block.reset();
    Sleep(kSnapshotPause_ms);
    RestartPreview(*device);
}

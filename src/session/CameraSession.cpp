// CCameraSession: connecting, the preview, the focus read-out, graph events and disconnecting.
#include "session/CameraSession.h"

#include "capture/CaptureSequences.h"
#include "device/MailboxTransfer.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/VideoWindowQuery.h"
#include "platform/log/Log.h"
#include "platform/win/WinUser.h"
#include "session/SessionLog.h"

CCameraSession::CCameraSession(std::unique_ptr<CCaptureDevice>& device,
                               std::unique_ptr<CDeviceProfile>& profile,
                               const BOOL& bNoLoadFirmware)
    : m_device(device), m_profile(profile), m_bNoLoadFirmware(bNoLoadFirmware) {}

CCameraSession::~CCameraSession() {
    if (m_device)
        m_device->SetFrameSink(nullptr);
}

void CCameraSession::ShowStatus(const char* text) {
    if (m_pFront)
        m_pFront->ShowStatus(text);
}

void CCameraSession::ShowMessage(SessionMessage message) {
    if (m_pFront)
        m_pFront->ShowMessage(message);
}

BOOL CCameraSession::ConnectDevice(HWND hNotifyWindow) {
    return m_device ? ::ConnectDevice(*m_device, hNotifyWindow) : FALSE;
}

BOOL CCameraSession::SelectFormatAndPreview() {
    if (!m_device)
        return FALSE;
    return ::SelectFormatAndPreview(*m_device, m_nFormatKey, m_nWidth, m_nHeight, m_nFrameRate,
                                    m_bResumePreview);
}

void CCameraSession::DisconnectDevice() {
    if (m_pFront)
        m_pFront->StopFocusReadout();
    if (m_device)
        ::DisconnectDevice(*m_device, m_bConnected);
}

void CCameraSession::CheckFirmware() {
    m_bFirmwarePresent = m_device ? ::CheckFirmware(*m_device) : FALSE;
}

// A connect that fails after the camera was opened: tell the operator, release the camera.
void CCameraSession::EndConnect() {
    ShowMessage(SessionMessage::DeviceInitFailed);
    ShowStatus("");
    DisconnectDevice();
}

CCameraSession::ConnectResult CCameraSession::Connect(HWND hNotifyWindow) {
    if (m_device) {
        DisconnectDevice();
        m_device->SetFrameSink(nullptr);
        m_device.reset();
    }
    m_bConnected = 0;
    m_bProfileTimedOut = 0;

    // The renderer's window of an earlier graph may have outlived it.
    if (HWND leftover = FindVideoRendererWindow())
        DestroyWindow(leftover);

    m_device = std::make_unique<CCaptureDevice>();
    CCaptureDevice& device = *m_device;
    device.m_bPreviewWanted = FALSE;
    device.SetFrameSink(&m_meter);
    ShowStatus("Looking for device...");

    m_bConnected = ConnectDevice(hNotifyWindow);
    if (!m_bConnected) {
        LogInfo(kLogSession, "connect failed: \"%s\" not found or its graph not built",
                kCameraName);
        ShowMessage(SessionMessage::DeviceInitFailed);
        ShowStatus("");
        return ConnectResult::CameraNotFound;
    }
    ShowStatus("Device found");
    CheckFirmware();
    if (!m_bNoLoadFirmware && !m_bFirmwarePresent) {
        LogInfo(kLogSession, "connect stopped: no firmware in the camera, NoLoadFirmware off");
        ShowStatus("No Firmware...");
        DisconnectDevice();
        return ConnectResult::NoFirmware;
    }

    // Bounded, so a camera that never comes up gives the operator back control.
    if (!WaitForDeviceReady(device, m_nReadyTimeout_ms)) {
        LogInfo(kLogSession, "connect failed: the camera did not become ready");
        EndConnect();
        return ConnectResult::NotReady;
    }
    if (m_profile) {
        // The profile's waits are bounded on the device's clock: a failed read that took that
        // long ran out of time rather than being refused.
        const int64_t started_ms = device.m_pClock->Now_ms();
        if (!m_profile->LoadFromDevice(device) &&
            device.m_pClock->Now_ms() - started_ms >= kMailboxTimeout_ms) {
            LogInfo(kLogSession, "connect: the device profile's mailbox wait ran out");
            m_bProfileTimedOut = 1;
        }
    }
    ShowStatus("Initializing...");

    if (!SelectFormatAndPreview()) {
        LogInfo(kLogSession, "connect failed: the preview running before could not be resumed");
        EndConnect();
        return ConnectResult::FormatFailed;
    }
    return ConnectResult::Connected;
}

BOOL CCameraSession::StartPreview(BOOL bTellFirmware) {
    if (!m_device)
        return FALSE;
    CCaptureDevice& device = *m_device;
    device.m_bPreviewWanted = TRUE;
    m_meter.Forget();
    if (!device.RenderPreview() || !device.Run())
        return FALSE;
    if (bTellFirmware)
        device.NotifyPreviewStarted();
    m_bResumePreview = device.m_bPreviewWanted;
    return TRUE;
}

void CCameraSession::StopPreview(BOOL bTellFirmware) {
    if (!m_device)
        return;
    CCaptureDevice& device = *m_device;
    device.Stop();
    device.m_bPreviewWanted = FALSE;
    if (bTellFirmware)
        device.NotifyPreviewStopped();
    m_bResumePreview = device.m_bPreviewWanted;
}

BOOL CCameraSession::IsPreviewRunning() const {
    return m_device && m_device->IsRunning();
}

BOOL CCameraSession::ReadRegions(RegionReading& reading) const {
    return IsPreviewRunning() && m_meter.Latest(reading);
}

BOOL CCameraSession::SetPreviewMarks(const PreviewMark* pMarks, ULONG count) {
    return m_device && m_device->SetPreviewMarks(pMarks, count);
}

BOOL CCameraSession::ReadFocus(LONG& value) {
    return PollFocus(value) == FocusPoll::Figure;
}

CCameraSession::FocusPoll CCameraSession::PollFocus(LONG& value) {
    DeviceStatus status;
    if (!m_device || !m_device->GetStatus(status))
        return FocusPoll::Failed;
    if (!status.IsReady())
        return FocusPoll::Nothing;
    m_nFocusValue = static_cast<LONG>(status.lengthOrValue);
    m_device->WriteStatus(status);  // the record written back unchanged is the acknowledgement
    value = m_nFocusValue;
    return FocusPoll::Figure;
}

BOOL CCameraSession::CameraAnswers() {
    DWORD state = 0;
    return m_device && m_device->GetDeviceState(state);
}

CCameraSession::GraphEvent CCameraSession::HandleGraphEvents(BOOL bTellFirmware) {
    GraphEvent handled = GraphEvent::None;
    LONG code = 0;
    // The device is asked each time: an error abort releases the event interface mid-loop.
    while (m_device && m_device->NextGraphEvent(code)) {
        if (code == EC_USERABORT && m_device->IsRunning()) {
            // As "Stop", except that the resume flag keeps what "Start" set.
            m_device->Stop();
            m_device->m_bPreviewWanted = FALSE;
            if (bTellFirmware)
                m_device->NotifyPreviewStopped();
            handled = GraphEvent::UserAbort;
        } else if (code == EC_ERRORABORT && m_device->IsRunning()) {
            LogInfo(kLogSession, "the stream failed (EC_ERRORABORT): the camera is released");
            DisconnectDevice();
            return GraphEvent::ErrorAbort;
        }
    }
    return handled;
}

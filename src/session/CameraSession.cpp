// CCameraSession: connecting, the preview, the focus read-out, graph events and disconnecting.
#include "session/CameraSession.h"

#include <cmath>
#include <new>

#include "capture/CaptureSequences.h"
#include "capture/NearestFormat.h"
#include "device/MailboxTransfer.h"
#include "platform/dshow/Interfaces.h"
#include "platform/dshow/VideoWindowQuery.h"
#include "platform/log/Log.h"
#include "platform/win/WinUser.h"
#include "session/SessionLog.h"

CCameraSession::CCameraSession(DeviceFactory factory) : m_factory(std::move(factory)) {}

CCameraSession::~CCameraSession() {
    if (m_pCaptureDevice)
        m_pCaptureDevice->SetFrameSink(nullptr);
}

BOOL CCameraSession::Prepare() {
    DropDevice();
    m_pProfile.reset(new (std::nothrow) CDeviceProfile);
    return m_pProfile != nullptr;
}

void CCameraSession::Finish() {
    if (m_pCaptureDevice)
        m_pCaptureDevice->SetFrameSink(nullptr);
    m_pCaptureDevice.reset();
    m_pProfile.reset();
}

void CCameraSession::DropDevice() {
    if (!m_pCaptureDevice)
        return;
    DisconnectDevice();
    m_pCaptureDevice->SetFrameSink(nullptr);
    m_pCaptureDevice.reset();
}

void CCameraSession::TakeDevice(std::unique_ptr<CCaptureDevice> device) {
    DropDevice();
    m_bConnected = 0;
    m_pCaptureDevice = std::move(device);
    if (m_pCaptureDevice)
        m_pCaptureDevice->SetFrameSink(&m_meter);
}

void CCameraSession::HaltPreview(CCaptureDevice& device) {
    device.Stop();
    device.SetPreviewWanted(FALSE);
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
    return m_pCaptureDevice ? ::ConnectDevice(*m_pCaptureDevice, hNotifyWindow) : FALSE;
}

BOOL CCameraSession::SelectFormatAndPreview() {
    if (!m_pCaptureDevice)
        return FALSE;
    return ::SelectFormatAndPreview(*m_pCaptureDevice, m_nFormatKey, m_nWidth, m_nHeight,
                                    m_nFrameRate, m_bResumePreview);
}

BOOL CCameraSession::SelectVideoOnlyFormat() {
    if (!m_pCaptureDevice)
        return FALSE;
    CCaptureDevice& device = *m_pCaptureDevice;
    // Ten figures a second, as the firmware reports them; the rate nearest that otherwise.
    constexpr REFERENCE_TIME kTenPerSecond_100ns = 1'000'000;
    NearestFormat format;
    if (ChooseNearestFormat(device.FormatTable(), m_nWidth, m_nHeight, kTenPerSecond_100ns,
                            format)) {
        m_nFormatKey = format.compression;
        LogInfo(kLogSession, "video-only camera: %d x %d at %lld x 100 ns", format.width,
                format.height, static_cast<long long>(format.interval_100ns));
        // A refusal leaves the pin in its own format, as for any camera.
        device.SelectFormatInterval(format.compression, format.width, format.height,
                                    format.interval_100ns);
    }
    device.SetPreviewWanted(m_bResumePreview);
    if (!m_bResumePreview)
        return TRUE;
    return device.RenderPreview() && device.Run();
}

void CCameraSession::DisconnectDevice() {
    if (m_pFront)
        m_pFront->StopFocusReadout();
    if (m_pCaptureDevice)
        ::DisconnectDevice(*m_pCaptureDevice, m_bConnected);
}

void CCameraSession::CheckFirmware() {
    m_bFirmwarePresent = m_pCaptureDevice ? ::CheckFirmware(m_pCaptureDevice->Channel()) : FALSE;
}

// A connect that fails after the camera was opened: tell the operator, release the camera.
void CCameraSession::EndConnect() {
    ShowMessage(SessionMessage::DeviceInitFailed);
    ShowStatus("");
    DisconnectDevice();
}

CCameraSession::ConnectResult CCameraSession::Connect(HWND hNotifyWindow) {
    DropDevice();
    m_bConnected = 0;
    m_bProfileTimedOut = 0;
    m_bVideoOnly = 0;

    // The renderer's window of an earlier graph may have outlived it.
    if (HWND leftover = FindVideoRendererWindow())
        DestroyWindow(leftover);

    m_pCaptureDevice = m_factory ? m_factory() : std::make_unique<CCaptureDevice>();
    if (!m_pCaptureDevice) {
        LogWarning(kLogSession, "connect failed: no capture device could be made");
        ShowMessage(SessionMessage::DeviceInitFailed);
        return ConnectResult::CameraNotFound;
    }
    CCaptureDevice& device = *m_pCaptureDevice;
    CVendorChannel& channel = device.Channel();
    device.SetPreviewWanted(FALSE);
    device.SetCameraName(m_cameraName);
    device.SetFrameSink(&m_meter);
    ShowStatus("Looking for device...");

    m_bConnected = ConnectDevice(hNotifyWindow);
    if (!m_bConnected) {
        LogInfo(kLogSession, "connect failed: \"%s\" not found or its graph not built",
                m_cameraName.c_str());
        ShowMessage(SessionMessage::DeviceInitFailed);
        ShowStatus("");
        return ConnectResult::CameraNotFound;
    }
    ShowStatus("Device found");
    if (device.IsVideoOnly()) {
        // No vendor channel: no firmware to check, no state to wait for, no profile to read.
        m_bVideoOnly = 1;
    } else if (const auto refused = PrepareFirmware(channel)) {
        return *refused;
    }
    ShowStatus("Initializing...");

    if (!(m_bVideoOnly ? SelectVideoOnlyFormat() : SelectFormatAndPreview())) {
        LogInfo(kLogSession, "connect failed: the preview running before could not be resumed");
        EndConnect();
        return ConnectResult::FormatFailed;
    }
    return ConnectResult::Connected;
}

std::optional<CCameraSession::ConnectResult> CCameraSession::PrepareFirmware(
    CVendorChannel& channel) {
    CheckFirmware();
    if (!m_bNoLoadFirmware && !m_bFirmwarePresent) {
        LogInfo(kLogSession, "connect stopped: no firmware in the camera, NoLoadFirmware off");
        ShowStatus("No Firmware...");
        DisconnectDevice();
        return ConnectResult::NoFirmware;
    }

    // Bounded, so a camera that never comes up gives the operator back control.
    if (!WaitForDeviceReady(channel, m_nReadyTimeout_ms)) {
        LogInfo(kLogSession, "connect failed: the camera did not become ready");
        EndConnect();
        return ConnectResult::NotReady;
    }
    if (m_pProfile) {
        // The profile's waits are bounded on the device's clock: a failed read that took that
        // long ran out of time rather than being refused.
        const int64_t started_ms = channel.m_pClock->Now_ms();
        if (!m_pProfile->LoadFromDevice(channel) &&
            channel.m_pClock->Now_ms() - started_ms >= kMailboxTimeout_ms) {
            LogInfo(kLogSession, "connect: the device profile's mailbox wait ran out");
            m_bProfileTimedOut = 1;
        }
    }
    return std::nullopt;
}

BOOL CCameraSession::StartPreview(BOOL bTellFirmware) {
    if (!m_pCaptureDevice)
        return FALSE;
    CCaptureDevice& device = *m_pCaptureDevice;
    device.SetPreviewWanted(TRUE);
    m_meter.Forget();
    if (!device.RenderPreview() || !device.Run())
        return FALSE;
    if (bTellFirmware)
        device.NotifyPreviewStarted();
    m_bResumePreview = device.IsPreviewWanted();
    return TRUE;
}

void CCameraSession::StopPreview(BOOL bTellFirmware) {
    if (!m_pCaptureDevice)
        return;
    CCaptureDevice& device = *m_pCaptureDevice;
    HaltPreview(device);
    if (bTellFirmware)
        device.NotifyPreviewStopped();
    m_bResumePreview = device.IsPreviewWanted();
}

BOOL CCameraSession::IsPreviewRunning() const {
    return m_pCaptureDevice && m_pCaptureDevice->IsRunning();
}

BOOL CCameraSession::ReadRegions(RegionReading& reading) const {
    return IsPreviewRunning() && m_meter.Latest(reading);
}

BOOL CCameraSession::SetPreviewMarks(const PreviewMark* pMarks, ULONG count) {
    return m_pCaptureDevice && m_pCaptureDevice->SetPreviewMarks(pMarks, count);
}

BOOL CCameraSession::ReadFocus(LONG& value) {
    return PollFocus(value) == FocusPoll::Figure;
}

CCameraSession::FocusPoll CCameraSession::PollPictureFocus(LONG& value) {
    RegionReading reading;
    if (!ReadRegions(reading) || reading.sequence == m_nFigureSequence)
        return FocusPoll::Nothing;
    m_nFigureSequence = reading.sequence;
    const EdgeSfr& centre = reading.sharpness.regions[static_cast<int>(SfrRegion::Centre)];
    if (!centre.bEdge)
        return FocusPoll::Nothing;
    m_nFocusValue = static_cast<LONG>(std::lround(centre.mtf50 * 10000.0));
    value = m_nFocusValue;
    return FocusPoll::Figure;
}

CCameraSession::FocusPoll CCameraSession::PollFocus(LONG& value) {
    if (m_bVideoOnly)
        return PollPictureFocus(value);
    DeviceStatus status;
    if (!m_pCaptureDevice || !m_pCaptureDevice->Channel().GetStatus(status))
        return FocusPoll::Failed;
    if (!status.IsReady())
        return FocusPoll::Nothing;
    m_nFocusValue = static_cast<LONG>(status.lengthOrValue);
    // The record written back unchanged is the acknowledgement.
    m_pCaptureDevice->Channel().WriteStatus(status);
    value = m_nFocusValue;
    return FocusPoll::Figure;
}

BOOL CCameraSession::CameraAnswers() {
    DWORD state = 0;
    return m_pCaptureDevice && m_pCaptureDevice->Channel().GetDeviceState(state);
}

CCameraSession::GraphEvent CCameraSession::HandleGraphEvents(BOOL bTellFirmware) {
    GraphEvent handled = GraphEvent::None;
    LONG code = 0;
    // The device is asked each time: an error abort releases the event interface mid-loop.
    while (m_pCaptureDevice && m_pCaptureDevice->NextGraphEvent(code)) {
        CCaptureDevice& device = *m_pCaptureDevice;
        if (code == EC_USERABORT && device.IsRunning()) {
            // As "Stop", except that the resume flag keeps what "Start" set.
            HaltPreview(device);
            if (bTellFirmware)
                device.NotifyPreviewStopped();
            handled = GraphEvent::UserAbort;
        } else if (code == EC_ERRORABORT && device.IsRunning()) {
            LogInfo(kLogSession, "the stream failed (EC_ERRORABORT): the camera is released");
            DisconnectDevice();
            return GraphEvent::ErrorAbort;
        }
    }
    return handled;
}

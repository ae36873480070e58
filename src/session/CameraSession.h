// CCameraSession: the operator's sequences on the camera, shared by the main dialog and the
// command line: connect ("New"), start and stop the preview, take the focus figure, react to
// the graph's events, take a still, disconnect. It owns the current capture device (made
// afresh by each connect, through its factory) and the device profile, and tells the operator
// what happens through a front (ISessionFront). User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/CaptureDevice.h"
#include "device/DeviceCommands.h"
#include "device/DeviceProfile.h"
#include "session/RegionMeter.h"
#include "session/SessionFront.h"
#include "session/StillKind.h"

// Pause between a still and the preview's restart.
inline constexpr DWORD kSnapshotPause_ms = 1000;
// How often the focus read-out reads the mailbox while the preview runs, in the dialog and on
// the command line alike.
inline constexpr DWORD kFocusReadPeriod_ms = 100;

class CCameraSession {
public:
    enum class ConnectResult { Connected, CameraNotFound, NoFirmware, NotReady, FormatFailed };
    using StillResult = ::StillResult;
    // One read of the focus mailbox: a figure (acknowledged), no figure posted, or a failed read.
    enum class FocusPoll { Figure, Nothing, Failed };
    enum class GraphEvent { None, UserAbort, ErrorAbort };

    // What each connect makes its capture device with: tests, and a camera that wants a device
    // of its own, choose; a null factory makes a plain CCaptureDevice.
    using DeviceFactory = std::function<std::unique_ptr<CCaptureDevice>()>;

    explicit CCameraSession(DeviceFactory factory = {});
    ~CCameraSession();
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    // Start-up: no device yet, and a fresh device profile; FALSE when there is no memory for
    // the profile (nothing can then be run).
    BOOL Prepare();
    // Shutdown: the device object goes, then the profile.
    void Finish();
    // The start-up flag "NoLoadFirmware": connects go on without firmware in the camera.
    void SetNoLoadFirmware(BOOL bNoLoadFirmware) { m_bNoLoadFirmware = bNoLoadFirmware; }
    // Takes over a device opened elsewhere (a test's scripted camera) in place of the current
    // one, which is released first; it does not count as connected.
    void TakeDevice(std::unique_ptr<CCaptureDevice> device);

    // Who is told; null tells nobody.
    void SetFront(ISessionFront* front) { m_pFront = front; }
    CCaptureDevice* Device() const { return m_pCaptureDevice.get(); }
    CDeviceProfile* Profile() const { return m_pProfile.get(); }

    // "New": releases the earlier device and builds a fresh one around the camera, checks its
    // firmware, waits until it is ready, reads its profile and selects the start-up format
    // (resuming the preview if it ran before an abort). Graph events go to `hNotifyWindow`.
    // A video-only camera skips the firmware, the wait and the profile, and starts in the
    // format nearest 640 x 480 at 10 frames per second.
    ConnectResult Connect(HWND hNotifyWindow);
    // The friendly name the next Connect looks for ("Standard_Camera" unless told).
    void SetCameraName(std::string name) { m_cameraName = std::move(name); }
    const std::string& CameraName() const { return m_cameraName; }
    // The connected camera has no vendor property set: its figure is the centre region's
    // MTF50 x 10000, measured from the picture, and it has no raw stills.
    BOOL IsVideoOnly() const { return m_bVideoOnly; }
    // "Start": renders and runs the preview; the firmware is told (command 65) if bTellFirmware.
    BOOL StartPreview(BOOL bTellFirmware);
    // "Stop": stops the preview; the firmware is told (command 66) if bTellFirmware.
    void StopPreview(BOOL bTellFirmware);
    BOOL IsPreviewRunning() const;
    // One tick of the focus read-out: TRUE with the figure when the camera had posted one, which
    // is then acknowledged (written back unchanged); for a video-only camera, when the centre
    // region was measured on a new frame.
    BOOL ReadFocus(LONG& value);
    // The same tick, telling a failed read from a mailbox with no figure in it.
    FocusPoll PollFocus(LONG& value);
    // Handles the graph's pending events: the operator closing the preview stops it as "Stop"
    // does (the firmware told if bTellFirmware); a streaming error releases the camera.
    GraphEvent HandleGraphEvents(BOOL bTellFirmware);
    // "Snapshot": stops the preview, takes a still of `kind`, shows it through the front and
    // restarts the preview. A video-only camera gives one of its own frames at its largest
    // size for the default kind (CameraFrameStill) and refuses the others.
    StillResult TakeStill(const CStillKind& kind);
    // Releases the camera (the device object stays); no command is sent.
    void DisconnectDevice();
    // Whether the camera still answers a property read (its device state): after a failure,
    // tells a camera that refused from one that is gone.
    BOOL CameraAnswers();

    // The five regions' sharpness measured from the newest frame the preview showed since it
    // last started; FALSE when the preview is not running or nothing was measured yet.
    BOOL ReadRegions(RegionReading& reading) const;
    // Outlines places on the running preview; FALSE when there is no preview window to draw.
    BOOL SetPreviewMarks(const PreviewMark* pMarks, ULONG count);
    // Frames per second the next "New" asks of the camera (1 unless told otherwise).
    void SetPreviewRate(LONG framesPerSecond) { m_nFrameRate = framesPerSecond; }
    LONG PreviewRate() const { return m_nFrameRate; }
    CRegionMeter& Meter() { return m_meter; }

    BOOL IsConnected() const { return m_bConnected; }
    // The last connect's profile read failed once a mailbox wait's bound had passed: the
    // camera took requests and answered none. The connect itself goes on, as designed.
    BOOL ProfileTimedOut() const { return m_bProfileTimedOut; }
    BOOL ResumesPreview() const { return m_bResumePreview; }
    LONG LastFocusValue() const { return m_nFocusValue; }
    // Why the last still's transient file could not be written: its name and the system's
    // words ("Temp.jpg: File too large").
    const std::string& StillFailureReason() const { return m_stillFailureReason; }
    // Bound of the connect's wait for the camera to report ready; tests shorten it.
    void SetReadyTimeout(int64_t timeout_ms) { m_nReadyTimeout_ms = timeout_ms; }
    int64_t ReadyTimeout() const { return m_nReadyTimeout_ms; }

private:
    BOOL ConnectDevice(HWND hNotifyWindow);
    // The vendor camera's connect steps between finding it and its format: the firmware
    // check, the ready wait, the profile. Empty when the connect goes on.
    std::optional<ConnectResult> PrepareFirmware(CVendorChannel& channel);
    BOOL SelectFormatAndPreview();
    BOOL SelectVideoOnlyFormat();
    FocusPoll PollPictureFocus(LONG& value);
    void CheckFirmware();
    void EndConnect();
    // Drops the current device, the camera released first.
    void DropDevice();
    // Stops the preview and no longer wants it.
    static void HaltPreview(CCaptureDevice& device);
    void RestartPreview(CCaptureDevice& device);
    StillResult CloseStill(CCaptureDevice& device, StillResult result, const StillKindInfo& kind);
    // Converts a fetched still and hands it to the front.
    StillResult ShowStill(const CStillKind& kind, StillBlock block, const StillOrder& order,
                          std::unique_ptr<BYTE[]> image);
    void ShowStatus(const char* text);
    void ShowMessage(SessionMessage message);

    DeviceFactory m_factory;
    BOOL m_bNoLoadFirmware = FALSE;
    ISessionFront* m_pFront = nullptr;

    BOOL m_bConnected = 0;
    DWORD m_nFormatKey = 0;
    LONG m_nWidth = 640;
    LONG m_nHeight = 480;
    BOOL m_bResumePreview = 0;
    LONG m_nFrameRate = 1;
    BOOL m_bFirmwarePresent = 0;
    BOOL m_bProfileTimedOut = 0;
    LONG m_nFocusValue = 0;
    std::string m_cameraName = kCameraName;
    BOOL m_bVideoOnly = 0;
    uint64_t m_nFigureSequence = 0;  // the region reading the last picture figure came from
    int64_t m_nReadyTimeout_ms = kDeviceReadyTimeout_ms;
    std::string m_stillFailureReason;
    // Outlives every device it is handed to: the session takes it back before a device goes.
    CRegionMeter m_meter;
    std::unique_ptr<CCaptureDevice> m_pCaptureDevice;
    std::unique_ptr<CDeviceProfile> m_pProfile;
};

#include "sim/SimCaptureBackend.h"

#include "platform/log/Log.h"
#include "platform/vidcap/CaptureFormats.h"
#include "product/Product.h"
#include "sim/SimLog.h"
#include "sim/SimVideoFormats.h"

CSimCaptureBackend::CSimCaptureBackend(std::shared_ptr<CSimCamera> camera,
                                       const SimVideoConfig& video)
    : m_pCamera(camera ? std::move(camera) : std::make_shared<CSimCamera>()),
      m_video(video),
      m_nFormat(kSimDefaultFormat) {
    if (!m_video.bLensPanel)
        return;
    if (const std::shared_ptr<ISimStreamObserver> observer = GetSimStreamObserver())
        m_pWatch = observer->Watch(m_pCamera);
}

CSimCaptureBackend::~CSimCaptureBackend() = default;

const std::vector<CaptureFormat>& CSimCaptureBackend::Formats() const {
    return SimVideoFormats();
}

size_t CSimCaptureBackend::DefaultFormat() const {
    return kSimDefaultFormat;
}

int64_t CSimCaptureBackend::Now_ms() const {
    return m_pCamera->Clock().Now_ms();
}

HRESULT CSimCaptureBackend::SetFormat(size_t index, REFERENCE_TIME) {
    if (index >= SimVideoFormats().size())
        return E_INVALIDARG;
    m_nFormat = index;
    return S_OK;
}

HRESULT CSimCaptureBackend::Start() {
    m_nFrame = 0;
    m_pCamera->Firmware().OnStreamingStarted();
    if (m_pWatch)
        m_pWatch->OnStreamStarted();
    return S_OK;
}

void CSimCaptureBackend::Stop() {
    m_pCamera->Firmware().OnStreamingStopped();
    if (m_pWatch)
        m_pWatch->OnStreamStopped();
}

FrameWait CSimCaptureBackend::WaitFrame(int64_t, std::span<BYTE> frame) {
    // The filter asks when the frame is due on this camera's clock: it is rendered at once.
    ++m_nFrame;
    if (m_video.failAtFrame != 0 && m_nFrame >= m_video.failAtFrame) {
        LogDebug(kLogSim, "stream: lost at frame %llu as scripted (EC_ERRORABORT)",
                 static_cast<unsigned long long>(m_nFrame));
        return FrameWait::Lost;
    }
    // One cable carries both: once the property calls fail, no frame comes either.
    if (m_pCamera->Firmware().IsUnplugged()) {
        LogDebug(kLogSim, "stream: lost at frame %llu, the camera is unplugged",
                 static_cast<unsigned long long>(m_nFrame));
        return FrameWait::Lost;
    }
    const CaptureFormat& format = SimVideoFormats()[m_nFormat];
    const CSimScene& scene = m_pCamera->Scene();
    const ULONG rowBytes = CaptureRowBytes(format);
    if (format.subtype == MEDIASUBTYPE_YUY2) {
        m_bgr.resize(static_cast<size_t>(format.width) * static_cast<size_t>(format.height) * 3);
        scene.RenderBgr(format.width, format.height, m_bgr.data(),
                        static_cast<size_t>(format.width) * 3, false);
        BgrToYuy2(m_bgr.data(), format.width, format.height, frame.data(), rowBytes);
    } else {
        scene.RenderBgr(format.width, format.height, frame.data(), rowBytes, format.height > 0);
    }
    return FrameWait::Frame;
}

ICameraPropertySet* CSimCaptureBackend::VendorPropertySet() {
    return &m_pCamera->Firmware();
}

LiveCaptureDevice SimCaptureDevice(std::shared_ptr<CSimCamera> camera,
                                   const SimVideoConfig& video) {
    if (!camera)
        camera = std::make_shared<CSimCamera>();
    LiveCaptureDevice device;
    device.friendlyName = kCameraName;
    device.clsid = CLSID_SimCamera;
    device.options.bPreviewPin = video.bPreviewPin;
    if (video.bCompressorPin)
        device.options.compressorName = L"Simulated on-camera compressor";
    device.makeBackend = [camera, video] {
        return std::make_unique<CSimCaptureBackend>(camera, video);
    };
    return device;
}

HRESULT CreateSimCameraFilter(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video,
                              IBaseFilter** ppFilter) {
    return CreateLiveCaptureFilter(SimCaptureDevice(std::move(camera), video), ppFilter);
}

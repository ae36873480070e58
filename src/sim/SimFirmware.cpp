#include "sim/SimFirmware.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/ks/KsPropertySet.h"
#include "platform/ks/VendorPropertySet.h"
#include "platform/log/Log.h"
#include "sim/SimClock.h"
#include "sim/SimLog.h"
#include "sim/SimMemory.h"
#include "sim/SimScene.h"
#include "sim/SimStill.h"

namespace {

// What the driver answers when the caller's buffer cannot take the property.
constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0x8007007Au);
constexpr DWORD kJpegMode = 3;
constexpr DWORD kResolutionTableSize = 34;

DWORD Le32(const BYTE* p) {
    return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
}
void PutLe32(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}
void PutLe16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

DWORD SupportOf(DWORD id) {
    switch (id) {
        case VENDOR_PROPERTY_REGISTER_ADDRESS:
        case VENDOR_PROPERTY_MEMORY_RANGE:
        case VENDOR_PROPERTY_REQUEST_CAPABILITIES:
        case VENDOR_PROPERTY_REQUEST_JPEG:
        case VENDOR_PROPERTY_REQUEST_RESOLUTIONS:
        case VENDOR_PROPERTY_REQUEST_RAW:
        case VENDOR_PROPERTY_COMMAND:
            return KSPROPERTY_SUPPORT_SET;
        case VENDOR_PROPERTY_REGISTER_VALUE:
        case VENDOR_PROPERTY_MEMORY_DATA:
        case VENDOR_PROPERTY_DEVICE_STATE:
            return KSPROPERTY_SUPPORT_GET;
        case VENDOR_PROPERTY_STATUS:
            return KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        default:
            return 0;
    }
}

using Lens = CSimScene::LensState;
// Shared, so that a call can wait for it without the firmware's lock; the block is moved out
// of it once, when it is posted.
using Still = std::shared_future<std::shared_ptr<SimBytes>>;

bool IsReady(const Still& still) {
    return still.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// The still at the lens as it stands at the request, taken on a thread of its own while the
// host polls: the post delay and the rendering pass together, as in a camera. The job holds
// the scene, so it may outlive the firmware; whoever drops its last future waits for it.
template <class Take>
Still StartStill(std::shared_ptr<CSimScene> scene, Take take) {
    const Lens lens = scene->CurrentLens();
    auto job = [scene = std::move(scene), lens, take] {
        try {
            return std::make_shared<SimBytes>(take(*scene, lens));
        } catch (const std::bad_alloc&) {  // told as a still that could not be made
            return std::shared_ptr<SimBytes>();
        }
    };
    try {
        return std::async(std::launch::async, job).share();
    } catch (const std::system_error&) {  // no thread to spare: take it now
        std::promise<std::shared_ptr<SimBytes>> done;
        done.set_value(job());
        return done.get_future().share();
    }
}

}  // namespace

struct CSimFirmware::State {
    enum class Mailbox { Idle, Pending, Block, Focus };

    int64_t powerOn_ms = 0;
    bool bUnplugged = false;
    Counters counters;
    DWORD lastTransferId = 0xFFFFFFFF;  // the Get or Set before this one
    DWORD selectedRegister = 0;
    DWORD rangeAddress = 0;
    DWORD rangeLength = 0;

    Mailbox mailbox = Mailbox::Idle;
    DWORD record[3] = {0, 0, 0};  // address, lengthOrValue, flags
    int64_t post_ms = 0;
    SimBytes pendingBlock;
    DWORD pendingLength = 0;
    // A still the camera is taking while the host waits: posted, like any answer, no sooner
    // than post_ms; a call from then on waits for it, so on the camera's clock it is there in
    // time, however long the simulator takes to render it.
    Still pendingStill;
    // Stills whose request a newer one replaced, until their jobs end.
    std::vector<Still> abandoned;
    SimBytes memoryBlock;          // what sits at kBlockBase
    bool bStartingLogged = false;  // the slow start is told once

    bool bStreaming = false;
    int64_t nextFocus_ms = 0;
};

CSimFirmware::CSimFirmware(std::shared_ptr<ISimClock> clock, std::shared_ptr<CSimScene> scene,
                           const SimFirmwareConfig& config)
    : m_config(config),
      m_pClock(std::move(clock)),
      m_pScene(std::move(scene)),
      m_pState(std::make_unique<State>()) {
    m_pState->powerOn_ms = m_pClock->Now_ms();
}

// A still being taken is waited for as its future goes; its job holds the scene, not this.
CSimFirmware::~CSimFirmware() = default;

HRESULT CSimFirmware::QuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) {
    std::lock_guard lock(m_mutex);
    if (!CountCall())
        return HRESULT_DEVICE_NOT_CONNECTED;
    if (set != VendorPropertySet)
        return E_PROP_SET_UNSUPPORTED;
    const DWORD support = SupportOf(id);
    if (!support)
        return E_PROP_ID_UNSUPPORTED;
    if (!pTypeSupport)
        return E_POINTER;
    *pTypeSupport = support;
    return S_OK;
}

HRESULT CSimFirmware::BeginCall(REFGUID set, DWORD id, DWORD support,
                                std::unique_lock<std::mutex>& lock) {
    // The round trip is taken before the lock, so the streaming side never waits on it.
    m_pClock->Sleep_us(m_config.callLatency_us);
    lock.lock();
    AwaitDueStill(lock);
    if (!CountCall())
        return HRESULT_DEVICE_NOT_CONNECTED;
    if (set != VendorPropertySet)
        return E_PROP_SET_UNSUPPORTED;
    if (!(SupportOf(id) & support))
        return E_PROP_ID_UNSUPPORTED;
    return S_OK;
}

HRESULT CSimFirmware::Get(REFGUID set, DWORD id, void* /*pInstanceData*/, DWORD /*cbInstanceData*/,
                          void* pPropData, DWORD cbPropData, DWORD* pcbReturned) {
    std::unique_lock lock(m_mutex, std::defer_lock);
    if (const HRESULT hr = BeginCall(set, id, KSPROPERTY_SUPPORT_GET, lock); FAILED(hr))
        return hr;
    const DWORD previous = std::exchange(m_pState->lastTransferId, id);
    Advance();
    BYTE* out = static_cast<BYTE*>(pPropData);
    DWORD returned = 0;
    HRESULT hr = S_OK;
    switch (id) {
        case VENDOR_PROPERTY_REGISTER_VALUE:
            hr = GetRegister(previous, out, cbPropData, returned);
            break;
        case VENDOR_PROPERTY_MEMORY_DATA:
            hr = GetMemory(previous, out, cbPropData, returned);
            break;
        case VENDOR_PROPERTY_STATUS:
            if (cbPropData < 12 || !out)
                return kBufferTooSmall;
            for (int i = 0; i < 3; ++i)
                PutLe32(out + 4 * i, m_pState->record[i]);
            returned = 12;
            break;
        case VENDOR_PROPERTY_DEVICE_STATE: {
            if (cbPropData < 4 || !out)
                return kBufferTooSmall;
            const int64_t up_ms = m_pClock->Now_ms() - m_pState->powerOn_ms;
            PutLe32(out, up_ms >= m_config.startup_ms ? 1 : 0);
            if (up_ms < m_config.startup_ms && !std::exchange(m_pState->bStartingLogged, true)) {
                LogDebug(kLogSim, "firmware: still starting; the device state reads 1 from %lld ms",
                         static_cast<long long>(m_config.startup_ms));
            }
            returned = 4;
            break;
        }
    }
    if (pcbReturned)
        *pcbReturned = returned;
    return hr;
}

HRESULT CSimFirmware::Set(REFGUID set, DWORD id, void* /*pInstanceData*/, DWORD /*cbInstanceData*/,
                          void* pPropData, DWORD cbPropData) {
    std::unique_lock lock(m_mutex, std::defer_lock);
    if (const HRESULT hr = BeginCall(set, id, KSPROPERTY_SUPPORT_SET, lock); FAILED(hr))
        return hr;
    m_pState->lastTransferId = id;
    Advance();
    const BYTE* in = static_cast<const BYTE*>(pPropData);
    if (!in)
        cbPropData = 0;
    switch (id) {
        case VENDOR_PROPERTY_REGISTER_ADDRESS:
            if (cbPropData != 4)
                return E_INVALIDARG;
            m_pState->selectedRegister = Le32(in);
            return S_OK;
        case VENDOR_PROPERTY_MEMORY_RANGE:
            return SelectRange(in, cbPropData);
        case VENDOR_PROPERTY_STATUS:
            if (cbPropData != 12)
                return E_INVALIDARG;
            Acknowledge(Le32(in + 8));
            return S_OK;
        case VENDOR_PROPERTY_REQUEST_CAPABILITIES:
        case VENDOR_PROPERTY_REQUEST_RESOLUTIONS:
        case VENDOR_PROPERTY_REQUEST_JPEG:
        case VENDOR_PROPERTY_REQUEST_RAW:
            return Request(id, in, cbPropData);
        case VENDOR_PROPERTY_COMMAND:
            return Command(in, cbPropData);
    }
    return E_PROP_ID_UNSUPPORTED;
}

void CSimFirmware::OnStreamingStarted() {
    // The first still's chart is drawn while the video runs, not after the click.
    const SimResolution& sensor = m_config.resolutions.front();
    m_pScene->DrawAhead(sensor.width, sensor.height);
    std::lock_guard lock(m_mutex);
    Advance();
    m_pState->bStreaming = true;
    m_pState->nextFocus_ms = m_pClock->Now_ms() + m_config.focus_interval_ms;
}

void CSimFirmware::OnStreamingStopped() {
    std::lock_guard lock(m_mutex);
    Advance();
    m_pState->bStreaming = false;
}

void CSimFirmware::Unplug() {
    std::lock_guard lock(m_mutex);
    if (!std::exchange(m_pState->bUnplugged, true))
        LogDebug(kLogSim, "firmware: unplugged; every property call now fails");
}

BOOL CSimFirmware::IsUnplugged() const {
    std::lock_guard lock(m_mutex);
    return m_pState->bUnplugged || PastUnplugTime() ? TRUE : FALSE;
}

CSimFirmware::Counters CSimFirmware::GetCounters() const {
    std::lock_guard lock(m_mutex);
    return m_pState->counters;
}

BOOL CSimFirmware::IsStreaming() const {
    std::lock_guard lock(m_mutex);
    return m_pState->bStreaming ? TRUE : FALSE;
}

bool CSimFirmware::CountCall() {
    State& s = *m_pState;
    ++s.counters.calls;
    if (m_config.failFromCall != 0 && s.counters.calls >= m_config.failFromCall &&
        !std::exchange(s.bUnplugged, true)) {
        LogDebug(kLogSim, "firmware: unplugged as scripted at call %llu; calls now fail: 0x%08X",
                 static_cast<unsigned long long>(s.counters.calls),
                 LogStatus(HRESULT_DEVICE_NOT_CONNECTED));
    }
    if (PastUnplugTime())
        s.bUnplugged = true;
    return !s.bUnplugged;
}

void CSimFirmware::AwaitDueStill(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        const State& s = *m_pState;
        if (s.mailbox != State::Mailbox::Pending || m_config.bMailboxNeverAnswers ||
            !s.pendingStill.valid() || m_pClock->Now_ms() < s.post_ms || IsReady(s.pendingStill))
            return;
        const Still still = s.pendingStill;
        lock.unlock();
        still.wait();
        lock.lock();  // and looks again: another call may have replaced the request meanwhile
    }
}

bool CSimFirmware::PastUnplugTime() const {
    return m_config.unplugAfter_ms != 0 &&
           m_pClock->Now_ms() - m_pState->powerOn_ms >= m_config.unplugAfter_ms;
}

void CSimFirmware::Advance() {
    State& s = *m_pState;
    const int64_t now_ms = m_pClock->Now_ms();
    std::erase_if(s.abandoned, IsReady);
    const bool bDue = s.mailbox == State::Mailbox::Pending && !m_config.bMailboxNeverAnswers &&
                      now_ms >= s.post_ms;
    if (bDue && s.pendingStill.valid()) {
        if (!IsReady(s.pendingStill))
            return;  // posted once it is there; until then the mailbox stays the request's
        const auto block = std::exchange(s.pendingStill, Still()).get();
        if (!block || block->empty()) {
            LogWarning(kLogSim, "firmware: the still could not be made; nothing is posted");
            s.mailbox = State::Mailbox::Idle;
            return;
        }
        s.pendingBlock = std::move(*block);
        s.pendingLength = static_cast<DWORD>(s.pendingBlock.size());
    }
    if (bDue) {
        s.memoryBlock = std::move(s.pendingBlock);
        s.pendingBlock.clear();
        s.mailbox = State::Mailbox::Block;
        s.record[0] = kBlockBase;
        s.record[1] = s.pendingLength;
        s.record[2] = 1;
    }
    // Focus reports never push aside a request or a block the host has not taken yet.
    const bool mailboxFree =
        s.mailbox == State::Mailbox::Idle || s.mailbox == State::Mailbox::Focus;
    if (s.bStreaming && mailboxFree && now_ms >= s.nextFocus_ms) {
        s.mailbox = State::Mailbox::Focus;
        s.record[0] = 0;
        s.record[1] = static_cast<DWORD>(m_pScene->FocusFigure());
        s.record[2] = 1;
        ++s.counters.focusReports;
        const int64_t interval_ms = std::max<int64_t>(m_config.focus_interval_ms, 1);
        s.nextFocus_ms = now_ms + interval_ms - (now_ms - s.nextFocus_ms) % interval_ms;
    }
}

void CSimFirmware::Acknowledge(DWORD writtenFlags) {
    State& s = *m_pState;
    if (s.mailbox == State::Mailbox::Block || s.mailbox == State::Mailbox::Focus) {
        s.mailbox = State::Mailbox::Idle;
        s.record[2] = 0;
        if (writtenFlags & 1)
            ++s.counters.acknowledgements;
    }
}

HRESULT CSimFirmware::GetRegister(DWORD previousId, BYTE* out, DWORD cb, DWORD& returned) {
    if (previousId != VENDOR_PROPERTY_REGISTER_ADDRESS)
        return E_UNEXPECTED;
    if (cb < 1 || !out)
        return kBufferTooSmall;
    BYTE value = 0;
    if (m_pState->selectedRegister == VENDOR_REGISTER_FIRMWARE) {
        value = m_config.bFirmwarePresent ? kRegisterFirmwareBits : kRegisterNoFirmwareBits;
        if (!m_config.bFirmwarePresent)
            LogDebug(kLogSim, "firmware: scripted absent; register 0x%X reads 0x%02X",
                     VENDOR_REGISTER_FIRMWARE, value);
    }
    *out = value;
    returned = 1;
    return S_OK;
}

HRESULT CSimFirmware::SelectRange(const BYTE* in, DWORD cb) {
    m_pState->rangeLength = 0;  // a refused selection leaves nothing to read
    if (cb != 8)
        return E_INVALIDARG;
    const DWORD address = Le32(in), length = Le32(in + 4);
    if (length == 0 || length > m_config.maxReadLength ||
        uint64_t{address} + length > kMemorySize) {
        return E_INVALIDARG;
    }
    m_pState->rangeAddress = address;
    m_pState->rangeLength = length;
    return S_OK;
}

HRESULT CSimFirmware::GetMemory(DWORD previousId, BYTE* out, DWORD cb, DWORD& returned) {
    State& s = *m_pState;
    if (previousId != VENDOR_PROPERTY_MEMORY_RANGE || s.rangeLength == 0)
        return E_UNEXPECTED;
    if (cb < s.rangeLength || !out)
        return kBufferTooSmall;
    ++s.counters.memoryReads;
    // Memory outside the posted block reads as zero.
    std::memset(out, 0, s.rangeLength);
    const uint64_t begin = s.rangeAddress, end = begin + s.rangeLength;
    const uint64_t blockEnd = uint64_t{kBlockBase} + s.memoryBlock.size();
    const uint64_t from = std::max<uint64_t>(begin, kBlockBase), to = std::min(end, blockEnd);
    if (from < to) {
        std::memcpy(out + (from - begin), s.memoryBlock.data() + (from - kBlockBase), to - from);
    }
    returned = s.rangeLength;
    return S_OK;
}

HRESULT CSimFirmware::Command(const BYTE* in, DWORD cb) {
    if (cb != 4)
        return E_INVALIDARG;
    const DWORD command = Le32(in);
    if (command != static_cast<BYTE>(VENDOR_COMMAND_PREVIEW_STARTED) &&
        command != static_cast<BYTE>(VENDOR_COMMAND_PREVIEW_STOPPED)) {
        return E_INVALIDARG;
    }
    m_pState->counters.lastCommand = command;
    ++m_pState->counters.commands;
    return S_OK;
}

HRESULT CSimFirmware::Request(DWORD id, const BYTE* in, DWORD cb) {
    SimBytes block;
    Still still;
    DWORD length = 0;
    const SimResolution& sensor = m_config.resolutions.front();
    switch (id) {
        case VENDOR_PROPERTY_REQUEST_CAPABILITIES:
            block.resize(8);
            PutLe32(&block[0], kCapabilities);
            PutLe32(&block[4], kFirmwareVersion);
            length = 8;
            break;
        case VENDOR_PROPERTY_REQUEST_RESOLUTIONS: {
            block.assign(kResolutionTableSize, 0);
            const size_t count = std::min<size_t>(m_config.resolutions.size(), 5);
            PutLe16(&block[0], 1);  // table format
            PutLe16(&block[2], static_cast<WORD>(count));
            for (size_t i = 0; i < count; ++i) {
                const SimResolution& r = m_config.resolutions[i];
                PutLe16(&block[4 + 6 * i], r.width);
                PutLe16(&block[6 + 6 * i], r.height);
                PutLe16(&block[8 + 6 * i], r.mode);
            }
            length = kResolutionTableSize;
            break;
        }
        case VENDOR_PROPERTY_REQUEST_JPEG: {
            if (cb < 8 || Le32(in) != kJpegMode)
                return E_INVALIDARG;
            const int width = in[4] | (in[5] << 8), height = in[6] | (in[7] << 8);
            if (width == 0 || height == 0 || width > sensor.width || height > sensor.height) {
                return E_INVALIDARG;
            }
            const int quality = m_config.jpegQuality;
            still = StartStill(m_pScene,
                               [width, height, quality](const CSimScene& scene, const Lens& lens) {
                                   return EncodeSceneJpeg(scene, width, height, quality, lens);
                               });
            break;
        }
        case VENDOR_PROPERTY_REQUEST_RAW: {
            if (cb != 4)
                return E_INVALIDARG;
            const int phase = m_config.rawPhase;
            still = StartStill(m_pScene, [sensor, phase](const CSimScene& scene, const Lens& lens) {
                return BuildRawStill(scene, sensor.width, sensor.height, phase, lens);
            });
            break;
        }
    }
    // The request takes the mailbox over, whatever it held, until its answer is posted.
    State& s = *m_pState;
    s.mailbox = State::Mailbox::Pending;
    s.record[2] = 0;
    s.pendingBlock = std::move(block);
    s.pendingLength = length;
    if (s.pendingStill.valid() && !IsReady(s.pendingStill))
        s.abandoned.push_back(std::move(s.pendingStill));
    s.pendingStill = std::move(still);
    s.post_ms = m_pClock->Now_ms() + m_config.post_delay_ms;
    if (m_config.bMailboxNeverAnswers)
        LogDebug(kLogSim, "firmware: request %u taken; the mailbox is scripted never to answer",
                 id);
    Advance();
    return S_OK;
}

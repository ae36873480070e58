// CSimFirmware: the simulated camera's firmware as the host sees it through the vendor
// property set: a register file, device memory read in pieces, the 12-byte mailbox with its
// requests and acknowledgements, commands, the device state, and focus reports while video
// streams. Time is read lazily from the injected clock on each call, so a test that moves a
// manual clock sees exactly what a real camera would show after that much time.
// Thread-safe: the streaming thread and the UI thread both reach it. A still is taken on a
// thread of its own, at the lens as it stood at the request; destroying the firmware waits
// for a still it is taking.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/Guid.h"
#include "platform/com/Types.h"
#include "platform/vidcap/CaptureBackend.h"

class ISimClock;
class CSimScene;

struct SimResolution {
    WORD width = 0;
    WORD height = 0;
    WORD mode = 0;  // the entry's third field: the sensor readout mode behind the size
};

struct SimFirmwareConfig {
    BOOL bFirmwarePresent = TRUE;  // register 0x740 bit 5
    int64_t startup_ms = 250;      // device state reads 0 this long after power-up, then 1
    int64_t post_delay_ms = 20;    // from a request to its block announced in the mailbox
    int64_t focus_interval_ms = 100;
    BOOL bMailboxNeverAnswers = FALSE;  // requests are accepted but nothing is ever posted
    // Property calls (QuerySupported, Get, Set) fail with HRESULT_DEVICE_NOT_CONNECTED from
    // this 1-based call on, as after the cable is pulled; 0 = never.
    uint64_t failFromCall = 0;
    // The same from this long after power-up on the camera's clock; 0 = never.
    int64_t unplugAfter_ms = 0;
    int rawPhase = 0;  // Bayer phase of raw stills, 0..3
    int jpegQuality = 90;
    // The largest device-memory read the firmware serves in one transfer.
    DWORD maxReadLength = 0x8000;
    // Each Get or Set takes this long on the camera's clock, as a USB control transfer does;
    // it is what paces a host that polls the mailbox back to back. QuerySupported is the
    // driver's own answer and takes none.
    int64_t callLatency_us = 250;
    // The sensor's sizes, largest (the full sensor, the raw still size) first; at most five.
    std::vector<SimResolution> resolutions{
        {2592, 1944, 0}, {2048, 1536, 1}, {1600, 1200, 2}, {1280, 960, 3}, {640, 480, 4}};
};

class CSimFirmware : public ICameraPropertySet {
public:
    // Where posted blocks live in device memory, and how much memory the camera has.
    static constexpr DWORD kBlockBase = 0x00100000;
    static constexpr DWORD kMemorySize = 0x02000000;
    static constexpr BYTE kRegisterFirmwareBits = 0x25;  // bit 5 = firmware runs
    static constexpr BYTE kRegisterNoFirmwareBits = 0x05;
    static constexpr DWORD kCapabilities = 0x00000007;  // JPEG still, raw still, 10-bit capture
    static constexpr DWORD kFirmwareVersion = 0x00020004;

    CSimFirmware(std::shared_ptr<ISimClock> clock, std::shared_ptr<CSimScene> scene,
                 const SimFirmwareConfig& config = {});
    ~CSimFirmware() override;
    CSimFirmware(const CSimFirmware&) = delete;
    CSimFirmware& operator=(const CSimFirmware&) = delete;

    // The property set as the driver answers it. Other sets are refused with
    // E_PROP_SET_UNSUPPORTED, unknown ids and directions with E_PROP_ID_UNSUPPORTED.
    HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* pTypeSupport) override;
    HRESULT Get(REFGUID set, DWORD id, void* pInstanceData, DWORD cbInstanceData, void* pPropData,
                DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT Set(REFGUID set, DWORD id, void* pInstanceData, DWORD cbInstanceData, void* pPropData,
                DWORD cbPropData) override;

    // Called by the capture side as video starts and stops; focus reports are posted only
    // in between.
    void OnStreamingStarted();
    void OnStreamingStopped();

    // Pulls the cable now: every later property call fails.
    void Unplug();
    // The cable is out (pulled, or by the script's call or time): video ends with it.
    BOOL IsUnplugged() const;

    // For tests and the lens panel: what the host has done to the camera so far.
    struct Counters {
        uint64_t calls = 0;  // QuerySupported, Get and Set together
        uint64_t memoryReads = 0;
        uint64_t acknowledgements = 0;
        uint64_t focusReports = 0;
        DWORD lastCommand = 0;
        uint64_t commands = 0;
    };
    Counters GetCounters() const;
    BOOL IsStreaming() const;

private:
    struct State;

    // A property call's common start: the round trip, then `lock` taken, and the checks every
    // call passes (unplugged, the set, whether the property supports `support`).
    HRESULT BeginCall(REFGUID set, DWORD id, DWORD support, std::unique_lock<std::mutex>& lock);

    // Helpers below run with m_mutex held.
    // Waits, the lock let go meanwhile, for a still that is due by now but not yet rendered.
    void AwaitDueStill(std::unique_lock<std::mutex>& lock);
    bool CountCall();  // false once the camera counts as unplugged
    bool PastUnplugTime() const;
    void Advance();  // posts what is due by now: answers to requests, focus reports
    void Acknowledge(DWORD writtenFlags);
    HRESULT GetRegister(DWORD previousId, BYTE* out, DWORD cb, DWORD& returned);
    HRESULT SelectRange(const BYTE* in, DWORD cb);
    HRESULT GetMemory(DWORD previousId, BYTE* out, DWORD cb, DWORD& returned);
    HRESULT Command(const BYTE* in, DWORD cb);
    HRESULT Request(DWORD id, const BYTE* in, DWORD cb);

    const SimFirmwareConfig m_config;
    std::shared_ptr<ISimClock> m_pClock;
    std::shared_ptr<CSimScene> m_pScene;
    mutable std::mutex m_mutex;
    std::unique_ptr<State> m_pState;  // guarded by m_mutex
};

// DownloadBlock and the small-block fetch against a camera whose every answer comes from the
// input: ready or idle records with any address and length, failed, S_FALSE and short answers,
// on a clock that each call moves on. Aborts when a transfer outlives its bound, hands
// something over after a failure, hands over a byte the camera did not send (a short answer
// counts, and what it left out must read zero), reads more than a piece at once, or allocates
// above the channel's limit.
#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "device/DeviceCapabilities.h"
#include "device/MailboxTransfer.h"
#include "device/VendorChannel.h"
#include "device/WireFormat.h"
#include "fakes/FakeFilterStub.h"
#include "fakes/FakeHostClock.h"
#include "fakes/TestVendorChannel.h"
#include "platform/ks/KsPropertySet.h"
#include "platform/ks/VendorPropertySet.h"

namespace {

// The largest allocation made while a transfer runs.
bool g_bWatching = false;
size_t g_largestAllocation = 0;

void OnMalloc(const volatile void*, size_t size) {
    if (g_bWatching && size > g_largestAllocation)
        g_largestAllocation = size;
}
void OnFree(const volatile void*) {}

struct Piece {
    DWORD address, length;
    DWORD returned;  // what the answer filled; the rest must read zero
};

// The camera: device memory is a pattern keyed by the input; every Get or Set takes 1 to 4 ms.
class CScriptedDevice : public TFakeFilterStub<IKsPropertySet> {
public:
    CScriptedDevice(FuzzedDataProvider& input, CFakeHostClock& clock)
        : m_input(input), m_clock(clock), m_key(input.ConsumeIntegral<DWORD>()) {
        // No growth while allocations are watched: a transfer makes at most a few hundred calls.
        pieces.reserve(1024);
        acknowledgements.reserve(4);
    }

    BYTE MemoryAt(DWORD address) const {
        return static_cast<BYTE>((address * 0x9E3779B1u ^ m_key) >> 13);
    }

    HRESULT QuerySupported(REFGUID, DWORD, DWORD* pTypeSupport) override {
        *pTypeSupport = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        return S_OK;
    }

    HRESULT Get(REFGUID, DWORD id, void*, DWORD, void* data, DWORD cb,
                DWORD* pcbReturned) override {
        Tick();
        BYTE* out = static_cast<BYTE*>(data);
        const DWORD previous = std::exchange(m_lastId, id);
        if (id == VENDOR_PROPERTY_STATUS) {
            Check(cb == DeviceStatus::kWireSize);
            return AnswerStatus(out, pcbReturned);
        }
        Check(id == VENDOR_PROPERTY_MEMORY_DATA && previous == VENDOR_PROPERTY_MEMORY_RANGE);
        Check(cb == m_selected.length && cb <= kDownloadPieceSize);
        const uint8_t kind = m_input.ConsumeIntegral<uint8_t>();
        DWORD returned = cb;
        if (kind == 1 || kind == 2)
            return Failed(kind == 1 ? E_FAIL : S_FALSE);
        if (kind == 3 && cb > 0)
            returned = m_input.ConsumeIntegralInRange<DWORD>(0, cb - 1);
        for (DWORD i = 0; i < returned; ++i)
            out[i] = MemoryAt(m_selected.address + i);
        *pcbReturned = returned;
        pieces.push_back({m_selected.address, m_selected.length, returned});
        return S_OK;
    }

    HRESULT Set(REFGUID, DWORD id, void*, DWORD, void* data, DWORD cb) override {
        Tick();
        m_lastId = id;
        const BYTE* in = static_cast<const BYTE*>(data);
        switch (id) {
            case VENDOR_PROPERTY_MEMORY_RANGE:
                Check(cb == 8);
                m_selected = {wire::GetU32(in), wire::GetU32(in + 4), 0};
                return m_input.ConsumeIntegral<uint8_t>() == 1 ? Failed(E_FAIL) : S_OK;
            case VENDOR_PROPERTY_STATUS: {
                Check(cb == DeviceStatus::kWireSize);
                std::array<BYTE, DeviceStatus::kWireSize> bytes{};
                std::copy(in, in + cb, bytes.begin());
                acknowledgements.push_back(DeviceStatus::FromBytes(bytes));
                return S_OK;
            }
            case VENDOR_PROPERTY_REQUEST_CAPABILITIES:
            case VENDOR_PROPERTY_REQUEST_RESOLUTIONS:
                Check(cb == 0 && !data);
                return m_input.ConsumeIntegral<uint8_t>() == 1 ? Failed(E_FAIL) : S_OK;
        }
        std::abort();  // the transfers send nothing else
    }

    DWORD limit = 0;  // the channel's, for lengths announced near it
    uint64_t calls = 0;
    bool bAnsweredFailure = false;  // a failed or S_FALSE answer was given
    DeviceStatus taken;             // the last record the host read as ready
    std::vector<Piece> pieces;
    std::vector<DeviceStatus> acknowledgements;

private:
    void Tick() {
        ++calls;
        m_clock.Advance(1 + m_input.ConsumeIntegral<uint8_t>() % 4);
    }
    HRESULT Failed(HRESULT hr) {
        bAnsweredFailure = true;
        return hr;
    }

    // Once the input runs out the mailbox stays empty, so only the bound ends the wait.
    HRESULT AnswerStatus(BYTE* out, DWORD* pcbReturned) {
        const uint8_t kind = m_input.ConsumeIntegral<uint8_t>();
        if (kind == 1 || kind == 2)
            return Failed(kind == 1 ? E_FAIL : S_FALSE);
        DeviceStatus record;
        if (kind >= 4) {
            record.address = m_input.ConsumeIntegral<DWORD>();
            record.lengthOrValue = AnnouncedLength();
            record.flags = m_input.ConsumeIntegral<DWORD>() | DeviceStatus::kReady;
        }
        auto bytes = record.ToBytes();
        DWORD returned = DeviceStatus::kWireSize;
        if (kind == 3)
            returned = m_input.ConsumeIntegralInRange<DWORD>(0, 11);
        std::copy(bytes.begin(), bytes.begin() + returned, out);
        *pcbReturned = returned;
        // A short answer is read as it came, with zeros after it.
        std::fill(bytes.begin() + returned, bytes.end(), BYTE{0});
        if (const DeviceStatus seen = DeviceStatus::FromBytes(bytes); seen.IsReady())
            taken = seen;
        return S_OK;
    }
    // Lengths near the edges that matter: small, a few pieces, near the limit, anything.
    DWORD AnnouncedLength() {
        switch (m_input.ConsumeIntegral<uint8_t>() % 4) {
            case 0:
                return m_input.ConsumeIntegralInRange<DWORD>(0, 0x100);
            case 1:
                return m_input.ConsumeIntegralInRange<DWORD>(0, 4 * kDownloadPieceSize + 8);
            case 2:
                return m_input.ConsumeIntegralInRange<DWORD>(0, 8) + limit - 4;
            default:
                return m_input.ConsumeIntegral<DWORD>();
        }
    }

    FuzzedDataProvider& m_input;
    CFakeHostClock& m_clock;
    const DWORD m_key;
    DWORD m_lastId = 0xFFFFFFFF;
    Piece m_selected{0, 0, 0};
};

// Every call moves the clock on by at least 1 ms; past the bound only the call in flight and
// the acknowledgement may follow.
void CheckBounded(const CScriptedDevice& device, int64_t timeout_ms) {
    Check(device.calls <= static_cast<uint64_t>(timeout_ms) + 4);
}

void FuzzDownload(CVendorChannel& channel, CScriptedDevice& device, int64_t timeout_ms) {
    std::unique_ptr<BYTE[]> buffer;
    LONG size = -7;
    DeviceStatus status{1, 2, 3};
    g_largestAllocation = 0;
    g_bWatching = true;
    const BOOL ok = DownloadBlock(channel, buffer, size, status, timeout_ms);
    g_bWatching = false;
    CheckBounded(device, timeout_ms);
    Check(g_largestAllocation <= channel.m_nMaxBlockSize);
    if (!ok) {
        Check(!buffer && size == -7 && status == (DeviceStatus{1, 2, 3}));
        Check(device.acknowledgements.empty());
        return;
    }
    Check(!device.bAnsweredFailure);
    const DeviceStatus& taken = device.taken;
    Check(buffer && size > 0 && size == RoundedBlockSize(taken.lengthOrValue));
    Check(static_cast<DWORD>(size) <= channel.m_nMaxBlockSize);
    Check(uint64_t{taken.address} + static_cast<DWORD>(size) <= uint64_t{1} << 32);
    DWORD at = taken.address, expected = 0;
    for (const Piece& piece : device.pieces) {
        Check(piece.address == at && piece.length <= kDownloadPieceSize);
        at += piece.length;
        expected += piece.length;
    }
    Check(expected == static_cast<DWORD>(size));
    const BYTE* byte = buffer.get();
    for (const Piece& piece : device.pieces) {
        for (DWORD i = 0; i < piece.length; ++i, ++byte)
            Check(*byte == (i < piece.returned ? device.MemoryAt(piece.address + i) : 0));
    }
    const DWORD full = static_cast<DWORD>(size) / kDownloadPieceSize * kDownloadPieceSize;
    Check(status == (DeviceStatus{taken.address + full, taken.lengthOrValue, taken.flags}));
    Check(device.acknowledgements.size() == 1 && device.acknowledgements[0] == status);
}

void FuzzSmallBlock(CVendorChannel& channel, CScriptedDevice& device, bool capabilities,
                    int64_t timeout_ms) {
    const DWORD size = capabilities ? 4 : ResolutionTable::kWireSize;
    std::array<BYTE, ResolutionTable::kWireSize> table;
    table.fill(0xA5);
    CDeviceCapabilities word;
    word.m_capabilities = 0xA5A5A5A5;
    const BOOL ok = capabilities ? word.Read(channel, timeout_ms)
                                 : FetchSmallBlock(channel, SmallBlock::ResolutionTable,
                                                   table.data(), size, timeout_ms);
    CheckBounded(device, timeout_ms);
    Check(device.acknowledgements.empty());  // never acknowledged
    if (!ok) {
        Check(word.m_capabilities == 0xA5A5A5A5);
        Check(std::all_of(table.begin(), table.end(), [](BYTE b) { return b == 0xA5; }));
        return;
    }
    Check(!device.bAnsweredFailure);
    const DeviceStatus& taken = device.taken;
    Check(taken.lengthOrValue >= size);
    Check(uint64_t{taken.address} + taken.lengthOrValue <= uint64_t{1} << 32);
    Check(device.pieces.size() == 1 && device.pieces[0].address == taken.address &&
          device.pieces[0].length == size);
    BYTE expected[ResolutionTable::kWireSize];
    for (DWORD i = 0; i < size; ++i)
        expected[i] = i < device.pieces[0].returned ? device.MemoryAt(taken.address + i) : 0;
    if (capabilities)
        Check(word.m_capabilities == wire::GetU32(expected));
    else
        Check(std::equal(table.begin(), table.end(), expected));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint8_t mode = input.ConsumeIntegral<uint8_t>();
    const int64_t timeout_ms = input.ConsumeIntegralInRange<int64_t>(0, 300);
    // Mostly small limits, so a fuzz run is not spent zeroing megabytes.
    const DWORD limit = input.ConsumeIntegral<uint8_t>() == 0xFF
                            ? kUnknownCameraBlockLimit
                            : input.ConsumeIntegralInRange<DWORD>(0, 0x20000) & ~3u;
    const auto clock = std::make_shared<CFakeHostClock>();
    auto device = MakeComObject<CScriptedDevice>(input, *clock);
    device->limit = limit;
    CTestVendorChannel channel;
    channel.m_pCameraFilter = ComPtr<IUnknown>(static_cast<IBaseFilter*>(device.Get()));
    channel.m_pClock = clock;
    channel.m_nMaxBlockSize = limit;
    switch (mode % 3) {
        case 0:
            FuzzDownload(channel, *device.Get(), timeout_ms);
            break;
        case 1:
            FuzzSmallBlock(channel, *device.Get(), true, timeout_ms);
            break;
        default:
            FuzzSmallBlock(channel, *device.Get(), false, timeout_ms);
            break;
    }
    return 0;
}

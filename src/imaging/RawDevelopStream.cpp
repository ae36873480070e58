#include "imaging/RawDevelopStream.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "imaging/ImagingLog.h"
#include "imaging/RowBand.h"
#include "platform/log/Log.h"

namespace {

// Rows the worker takes at a time: about a millisecond of work, so Finish can split what is
// left soon after the last piece arrives.
constexpr int kRowsPerStep = 32;
// Below this many rows left, Finish lets the worker end them alone.
constexpr int kMinRowsToSplit = 64;

}  // namespace

CRawDevelopStream::~CRawDevelopStream() {
    Abandon();
}

bool CRawDevelopStream::Start(const BYTE* block, int32_t transferLength) {
    // The same test the conversion makes once the block is complete; quiet, as that one tells.
    RawSnapshotInfo info{};
    if (!ParseRawSnapshot(block, transferLength, info, true) || info.width < 3 || info.height < 3)
        return false;
    m_pImage = ReserveRawImage(info.width, info.height);
    m_pScratch.reset(new (std::nothrow) int32_t[2 * kRowBandScratchPerColumn * size_t(info.width)]);
    if (!m_pImage || !m_pScratch) {
        m_pImage.reset();
        m_pScratch.reset();
        return false;
    }
    m_info = info;
    m_nLimit = 1;
    m_nClaimed = 1;
    m_nStopAt = info.height - 1;
    m_bStop = false;
    try {
        m_worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        LogDebug(kLogImaging, "raw still: no thread to develop it while it downloads");
        m_pImage.reset();
        m_pScratch.reset();
        return false;
    }
    return true;
}

void CRawDevelopStream::Arrived(const BYTE* block, int32_t transferLength, size_t bytes) {
    if (!m_bDecided) {
        if (bytes < size_t{kRawHeaderBytes})
            return;
        m_bDecided = true;
        m_bStarted = Start(block, transferLength);
    }
    if (!m_bStarted || block != m_info.samples - kRawHeaderBytes)
        return;
    const size_t width = size_t(m_info.width);
    const int rows =
        int(std::min((bytes - size_t{kRawHeaderBytes}) / width, size_t(m_info.height)));
    // Row y needs sample rows up to y + 2 (the bottom row mirrors its upper neighbour).
    const int limit = rows == m_info.height ? m_info.height - 1 : std::max(1, rows - 2);
    {
        const std::lock_guard lock(m_mutex);
        if (limit <= m_nLimit)
            return;
        m_nLimit = limit;
    }
    m_wake.notify_one();
}

void CRawDevelopStream::Work() {
    CRowBand band(m_info, m_pImage.get(), m_pScratch.get());
    bool bStarted = false;
    int next = 1;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_bStop || next >= m_nStopAt || m_nLimit > next; });
        if (m_bStop || next >= m_nStopAt)
            return;
        const int last = std::min({m_nLimit, m_nStopAt, next + kRowsPerStep});
        m_nClaimed = last;
        lock.unlock();
        if (!bStarted) {
            band.Start(next);
            bStarted = true;
        }
        band.Advance(last);
        next = last;
        lock.lock();
    }
}

std::unique_ptr<BYTE[]> CRawDevelopStream::Finish(const RawSnapshotInfo& info) {
    if (!m_bStarted || info.samples != m_info.samples || info.width != m_info.width ||
        info.height != m_info.height || info.phase != m_info.phase) {
        Abandon();
        return {};
    }
    const int end = m_info.height - 1;
    int split = end;
    int claimed = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_nLimit = end;
        claimed = m_nClaimed;
        // What the worker has not taken yet is shared with this thread, the lower half here.
        if (end - m_nClaimed >= kMinRowsToSplit)
            split = m_nClaimed + (end - m_nClaimed) / 2;
        m_nStopAt = split;
    }
    m_wake.notify_one();
    if (split < end) {
        int32_t* scratch = m_pScratch.get() + kRowBandScratchPerColumn * size_t(m_info.width);
        CRowBand(m_info, m_pImage.get(), scratch).Develop(split, end);
    }
    m_worker.join();
    CopyOuterRows(m_pImage.get(), m_info.width, m_info.height);
    LogDebug(kLogImaging, "raw still: %d of %d rows developed while it downloaded", claimed - 1,
             end - 1);
    m_bStarted = false;
    m_pScratch.reset();
    return std::move(m_pImage);
}

void CRawDevelopStream::Abandon() {
    if (m_worker.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_wake.notify_one();
        m_worker.join();
    }
    m_bStarted = false;
    m_pImage.reset();
    m_pScratch.reset();
}

// CRawDevelopStream: develops a raw still while its block is still being downloaded, each band
// of rows on a thread of its own as soon as the samples it reads have arrived, so that little
// is left to do once the last piece is in. The picture is byte for byte DevelopRawSnapshot's.
//
// The downloading thread tells it how far the block is filled (Arrived) and ends it either way:
// Finish once the whole block is there and accepted, Abandon when the download failed. It
// reads the block only between the first Arrived and the return of Finish or Abandon, and only
// the bytes already reported, so the block must outlive that and nothing else.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "imaging/ImagingTypes.h"
#include "imaging/RawSnapshot.h"

class CRawDevelopStream {
public:
    CRawDevelopStream() = default;
    CRawDevelopStream(const CRawDevelopStream&) = delete;
    CRawDevelopStream& operator=(const CRawDevelopStream&) = delete;
    ~CRawDevelopStream();  // as Abandon

    // The first `bytes` bytes of `block`, a block of `transferLength` bytes once complete, hold
    // what the camera sent; called again as more arrives, with the same block. The first call
    // that holds the header decides: a header ParseRawSnapshot would refuse for that length, a
    // still too small to have an interior, or no memory or thread for the work leaves the
    // stream idle, and the caller develops the still as usual.
    void Arrived(const BYTE* block, int32_t transferLength, size_t bytes);

    // Every byte has arrived and `info` is what ParseRawSnapshot accepted from the same block:
    // develops the rows still left, here and on the worker, and hands over the image
    // (ReserveRawImage's size). Empty when the stream was idle or `info` is not the still it
    // started on; the caller then develops it as usual.
    std::unique_ptr<BYTE[]> Finish(const RawSnapshotInfo& info);

    // The block will not be completed: stops the worker and drops what it developed. Nothing
    // reads the block once this returns.
    void Abandon();

private:
    bool Start(const BYTE* block, int32_t transferLength);
    void Work();

    bool m_bStarted = false;  // the header was seen and the worker runs (downloading thread's)
    bool m_bDecided = false;  // the header was seen, whatever it said
    RawSnapshotInfo m_info{};
    std::unique_ptr<BYTE[]> m_pImage;
    std::unique_ptr<int32_t[]> m_pScratch;  // two bands' working rows: the worker's, then Finish's
    std::thread m_worker;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Under m_mutex: rows [1, m_nLimit) of the interior may be developed with what has arrived;
    // the worker has taken rows up to m_nClaimed and stops before m_nStopAt or when m_bStop.
    int m_nLimit = 1;
    int m_nClaimed = 1;
    int m_nStopAt = 1;
    bool m_bStop = false;
};

#include "session/FocusHistory.h"

#include <cmath>

#include "session/FocusFigure.h"

namespace {

// Puts `sample` at the end of a ring of kCapacity, the oldest making room when it is full.
template <class Sample, size_t N>
void Push(std::array<Sample, N>& ring, size_t& first, size_t& count, const Sample& sample) {
    if (count == N) {
        ring[first] = sample;
        first = (first + 1) % N;
    } else {
        ring[(first + count) % N] = sample;
        ++count;
    }
}

}  // namespace

void CFocusHistory::Clear() {
    *this = CFocusHistory();
}

int64_t CFocusHistory::Elapsed_ms(int64_t now_ms) {
    if (!m_bHasZero) {
        m_bHasZero = true;
        m_nZero_ms = now_ms;
    }
    const int64_t elapsed_ms = now_ms - m_nZero_ms;
    // A clock is monotonic, but the chart must never run backwards even if a caller's is not.
    if (elapsed_ms > m_nEdge_ms)
        m_nEdge_ms = elapsed_ms;
    return m_nEdge_ms;
}

void CFocusHistory::Resume(int64_t now_ms) {
    Elapsed_ms(now_ms);
}

void CFocusHistory::Pause(int64_t now_ms) {
    if (!m_bHasZero)
        return;  // nothing ran yet: nothing to break
    Elapsed_ms(now_ms);
    m_bBreak = m_nCount > 0;
    m_bRegionBreak = m_nRegionCount > 0;
}

void CFocusHistory::Add(int64_t now_ms, LONG value) {
    FocusSample sample;
    sample.elapsed_ms = Elapsed_ms(now_ms);
    sample.value = value;
    sample.bAfterPause = m_bBreak;
    m_bBreak = false;
    Push(m_samples, m_nFirst, m_nCount, sample);
    if (IsFocusOverflow(value))
        ++m_nOverflows;
    else
        m_figurePeak.Add(value);
}

void CFocusHistory::AddRegions(int64_t now_ms, const RegionValues& mtf50) {
    RegionSample sample;
    sample.elapsed_ms = Elapsed_ms(now_ms);
    sample.mtf50 = mtf50;
    sample.bAfterPause = m_bRegionBreak;
    m_bRegionBreak = false;
    Push(m_regions, m_nRegionFirst, m_nRegionCount, sample);
    for (size_t r = 0; r < mtf50.size(); ++r) {
        if (!std::isnan(mtf50[r]))
            m_regionPeaks[r].Add(mtf50[r]);
    }
}

void CFocusHistory::ResetPeak() {
    m_figurePeak.Reset();
    for (CPeakTracker& peak : m_regionPeaks)
        peak.Reset();
    m_nOverflows = 0;
}

const RegionSample& CFocusHistory::RegionAt(size_t i) const {
    return m_regions[(m_nRegionFirst + i) % kCapacity];
}

const FocusSample& CFocusHistory::At(size_t i) const {
    return m_samples[(m_nFirst + i) % kCapacity];
}

bool CFocusHistory::InBand(LONG value) const {
    return !IsFocusOverflow(value) && m_figurePeak.InBand(value);
}

bool CFocusHistory::InFocus(LONG value) const {
    return !IsFocusOverflow(value) && m_figurePeak.InFocus(value);
}

std::string CFocusHistory::ToCsv() const {
    std::string csv = kFocusRecordHeader;
    csv += '\n';
    for (size_t i = 0; i < m_nCount; ++i) {
        const FocusSample& sample = At(i);
        csv += FormatFocusRecord(sample.elapsed_ms, sample.value);
        csv += '\n';
    }
    return csv;
}

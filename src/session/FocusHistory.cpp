#include "session/FocusHistory.h"

#include "session/FocusFigure.h"

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
}

void CFocusHistory::Add(int64_t now_ms, LONG value) {
    FocusSample sample;
    sample.elapsed_ms = Elapsed_ms(now_ms);
    sample.value = value;
    sample.bAfterPause = m_bBreak;
    m_bBreak = false;
    if (m_nCount == kCapacity) {
        m_samples[m_nFirst] = sample;
        m_nFirst = (m_nFirst + 1) % kCapacity;
    } else {
        m_samples[(m_nFirst + m_nCount) % kCapacity] = sample;
        ++m_nCount;
    }

    if (IsFocusOverflow(value)) {
        ++m_nOverflows;
    } else if (!m_bHasPeak || value > m_nPeak) {
        m_bHasPeak = true;
        m_nPeak = value;
    }
}

void CFocusHistory::ResetPeak() {
    m_bHasPeak = false;
    m_nPeak = 0;
    m_nOverflows = 0;
}

const FocusSample& CFocusHistory::At(size_t i) const {
    return m_samples[(m_nFirst + i) % kCapacity];
}

bool CFocusHistory::InBand(LONG value) const {
    if (!m_bHasPeak || m_nPeak <= 0 || IsFocusOverflow(value))
        return false;
    // In whole numbers, so a figure exactly at the band's edge is in it.
    return int64_t{value} * 100 >= int64_t{m_nPeak} * kFocusBandPercent;
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

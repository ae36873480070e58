#include "session/PeakTracker.h"

namespace {

bool WithinBand(double value, double peak) {
    // As percentages, so a whole-number figure exactly at the edge is in the band.
    return peak > 0 && value * 100 >= peak * kFocusBandPercent;
}

}  // namespace

void CPeakTracker::Add(double value) {
    if (!m_bHasPeak) {
        m_bHasPeak = true;
        m_dPeak = value;
        return;
    }
    if (value > m_dPeak) {
        if (!WithinBand(m_dPeak, value))
            m_bPassed = false;
        m_dPeak = value;
        return;
    }
    if (!WithinBand(value, m_dPeak))
        m_bPassed = true;
}

bool CPeakTracker::InBand(double value) const {
    return m_bHasPeak && WithinBand(value, m_dPeak);
}

// CPeakTracker: one read-out's held peak and whether its value means "in focus". A value is in
// focus only once the peak has been passed: since the last start-over it has fallen out of the
// band of good focus below the held peak, and it is back in that band. Until then the operator
// is still searching, however close the value is to the best seen so far (at start-up, the
// first blurred value is its own peak).
#pragma once

// The band of good focus: values at or above this share of the held peak.
inline constexpr int kFocusBandPercent = 90;

class CPeakTracker {
public:
    // Starts over: no peak, not passed ("Start", "New", the operator's reset).
    void Reset() { *this = CPeakTracker(); }
    // A reading. A higher value moves the peak; one that climbs clearly above a peak already
    // passed (the old peak outside the new one's band) starts the search over, while a small
    // rise on returning to the same summit does not.
    void Add(double value);

    bool HasPeak() const { return m_bHasPeak; }
    double Peak() const { return m_dPeak; }
    bool PeakPassed() const { return m_bPassed; }
    // `value` lies in the band below a positive held peak (its edge included).
    bool InBand(double value) const;
    bool InFocus(double value) const { return m_bPassed && InBand(value); }

private:
    bool m_bHasPeak = false;
    double m_dPeak = 0;
    bool m_bPassed = false;
};

// CRowBand: develops a band of a raw still's interior rows with the fused row kernels, three
// converted rows kept in a ring. A band converts the row above and below its own rows itself,
// so bands share no state and any split of the rows gives the same picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/DevelopRows.h"
#include "imaging/RawSnapshot.h"

// Working values per image column for one band: a row of planar colours and three converted
// rows.
inline constexpr size_t kRowBandScratchPerColumn = 3 + 9;

class CRowBand {
public:
    // `scratch` holds kRowBandScratchPerColumn x width values, this band's alone.
    CRowBand(const RawSnapshotInfo& info, BYTE* image, int32_t* scratch)
        : m_info(info), m_pImage(image), m_pScratch(scratch), m_nWidth(size_t(info.width)) {}

    // Develops sample rows [first, last) of the interior (1 <= first < last <= height - 1).
    void Develop(int first, int last) {
        Start(first);
        Advance(last);
    }

    // The same in steps: Start(first), then Advance to ever later rows. Start reads sample
    // rows up to first + 1; Advance(last) up to last + 1 (mirrored at the bottom).
    void Start(int first) {
        Produce(first - 1);
        Produce(first);
        m_nNext = first;
    }
    void Advance(int last) {
        for (int y = m_nNext; y < last; ++y) {
            Produce(y + 1);
            BYTE* out = m_pImage + size_t(m_info.height - 1 - y) * 3 * m_nWidth;
            SharpenRow(Converted(y - 1).luma, Converted(y), Converted(y + 1).luma, m_info.width,
                       out);
        }
        if (last > m_nNext)
            m_nNext = last;
    }

private:
    const BYTE* SampleRow(int y) const { return m_info.samples + size_t(y) * m_nWidth; }

    ConvertedRow Converted(int y) const {
        int32_t* base = m_pScratch + (3 + size_t(y % 3) * 3) * m_nWidth;
        return {base, base + m_nWidth, base + 2 * m_nWidth};
    }

    // Demosaics, tone-maps and converts sample row y into its slot of the ring.
    void Produce(int y) const {
        int32_t* blue = m_pScratch;
        int32_t* green = blue + m_nWidth;
        int32_t* red = green + m_nWidth;
        DemosaicRow(SampleRow(RowAbove(y)), SampleRow(y), SampleRow(RowBelow(y, m_info.height)),
                    m_info.width, BayerKindAtRowStart(m_info.phase, y), blue, green, red);
        ToneRow(blue, 3 * m_info.width);
        ConvertRow(blue, green, red, m_info.width, Converted(y));
    }

    RawSnapshotInfo m_info;
    BYTE* m_pImage;
    int32_t* m_pScratch;
    size_t m_nWidth;
    int m_nNext = 1;
};

// The outer image rows repeat their inner neighbours (sample row 0 is the last image row).
void CopyOuterRows(BYTE* image, int width, int height);

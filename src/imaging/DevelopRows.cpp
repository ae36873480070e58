#include "imaging/DevelopRows.h"

#include "imaging/ToneCurve.h"

namespace {

// Truncation toward zero after clamping equals clamping after truncation (trunc is monotone
// and fixes 0 and 255); written this way the loops vectorise to min/max and one conversion.
inline int ClampTruncate(double value) {
    value = value < 0.0 ? 0.0 : value;
    value = value > 255.0 ? 255.0 : value;
    return int(value);
}

// One demosaiced pixel: the colour of the row's own sites, the other colour, and green.
// A blue or red site keeps its sample; a green site averages its like neighbours.
struct BayerPixel {
    int rowColour;
    int otherColour;
    int green;
};

inline BayerPixel DemosaicPixel(const BYTE* up, const BYTE* mid, const BYTE* down, int left, int x,
                                int right, bool colourSite) {
    const int horizontal = mid[left] + mid[right];
    const int vertical = up[x] + down[x];
    const int diagonal = up[left] + up[right] + down[left] + down[right];
    if (colourSite) {
        return {mid[x], diagonal >> 2, (horizontal + vertical) >> 2};
    }
    return {horizontal >> 1, vertical >> 1, (4 * mid[x] + diagonal) >> 3};
}

template <int Stride>
void DemosaicRowT(const BYTE* __restrict up, const BYTE* __restrict mid,
                  const BYTE* __restrict down, int width, int kindAtStart, BYTE* __restrict blue,
                  BYTE* __restrict green, BYTE* __restrict red) {
    // Kinds 0 and 1 lie on rows whose own sites are blue; kinds 0 and 3 are sites.
    const bool blueRow = kindAtStart < 2;
    BYTE* __restrict own = blueRow ? blue : red;
    BYTE* __restrict other = blueRow ? red : blue;
    const int siteParity = (kindAtStart == 0 || kindAtStart == 3) ? 0 : 1;

    auto store = [&](int x, const BayerPixel& p) {
        own[x * Stride] = BYTE(p.rowColour);
        other[x * Stride] = BYTE(p.otherColour);
        green[x * Stride] = BYTE(p.green);
    };
    // The mirror skips one column, so both neighbours of an edge column are the same one.
    store(0, DemosaicPixel(up, mid, down, 1, 0, 1, siteParity == 0));
    for (int x = 1; x < width - 1; ++x) {
        const int horizontal = mid[x - 1] + mid[x + 1];
        const int vertical = up[x] + down[x];
        const int diagonal = up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1];
        const int centre = mid[x];
        const bool site = (x & 1) == siteParity;
        own[x * Stride] = BYTE(site ? centre : horizontal >> 1);
        other[x * Stride] = BYTE(site ? diagonal >> 2 : vertical >> 1);
        green[x * Stride] =
            BYTE(site ? (horizontal + vertical) >> 2 : (4 * centre + diagonal) >> 3);
    }
    const int last = width - 1;
    store(last, DemosaicPixel(up, mid, down, last - 1, last, last - 1, (last & 1) == siteParity));
}

template <int Stride>
void ConvertRowT(const BYTE* __restrict blue, const BYTE* __restrict green,
                 const BYTE* __restrict red, int width, BYTE* __restrict luma,
                 BYTE* __restrict crGain, BYTE* __restrict cbGain) {
    for (int x = 0; x < width; ++x) {
        const double b = blue[x * Stride];
        const double g = green[x * Stride];
        const double r = red[x * Stride];
        luma[x] = BYTE(ClampTruncate(((0.098 * b + 0.257 * r) + 0.504 * g) + 16.0));
        const int cr = ClampTruncate(((0.439 * r - 0.368 * g) - 0.071 * b) + 128.0);
        const int cb = ClampTruncate((0.439 * b - (0.148 * r + 0.291 * g)) + 128.0);
        // The saturation gain reads only the centre's own chroma.
        crGain[x] = BYTE(ClampTruncate(double(cr - 128) * 1.5 + 128.0));
        cbGain[x] = BYTE(ClampTruncate(double(cb - 128) * 1.5 + 128.0));
    }
}

}  // namespace

void DemosaicRow(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                 BYTE* blue, BYTE* green, BYTE* red) {
    DemosaicRowT<1>(up, mid, down, width, kindAtStart, blue, green, red);
}

void DemosaicRowBgr(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                    BYTE* bgr) {
    DemosaicRowT<3>(up, mid, down, width, kindAtStart, bgr, bgr + 1, bgr + 2);
}

void ToneRow(BYTE* values, int count) {
    for (int i = 0; i < count; ++i) {
        values[i] = ToneTable[values[i]];
    }
}

void ConvertRow(const BYTE* blue, const BYTE* green, const BYTE* red, int width,
                const ConvertedRow& out) {
    ConvertRowT<1>(blue, green, red, width, out.luma, out.crGain, out.cbGain);
}

void ConvertRowBgr(const BYTE* bgr, int width, const ConvertedRow& out) {
    ConvertRowT<3>(bgr, bgr + 1, bgr + 2, width, out.luma, out.crGain, out.cbGain);
}

void SharpenRow(const BYTE* lumaUp, const ConvertedRow& centre, const BYTE* lumaDown, int width,
                BYTE* bgr) {
    const BYTE* __restrict up = lumaUp;
    const BYTE* __restrict mid = centre.luma;
    const BYTE* __restrict down = lumaDown;
    const BYTE* __restrict crGain = centre.crGain;
    const BYTE* __restrict cbGain = centre.cbGain;
    BYTE* __restrict out = bgr;
    for (int x = 1; x < width - 1; ++x) {
        const int lumaCentre = mid[x];
        const int neighbours = up[x - 1] + up[x] + up[x + 1] + mid[x - 1] + mid[x + 1] +
                               down[x - 1] + down[x] + down[x + 1];
        int n = 9 * lumaCentre - neighbours;
        n = n < 0 ? 0 : (n > 255 ? 255 : n);
        const int step = n - lumaCentre;
        // Small steps are noise: only a luma jump of 16 or more is sharpened.
        const int newLuma = (step < 16 && step > -16) ? lumaCentre : n;
        const double lumaScaled = 1.164 * double(newLuma - 16);
        const double cr = double(crGain[x] - 128);
        const double cb = double(cbGain[x] - 128);
        out[3 * x + 0] = BYTE(ClampTruncate(2.017 * cb + lumaScaled));
        out[3 * x + 1] = BYTE(ClampTruncate((lumaScaled - 0.813 * cr) - 0.392 * cb));
        out[3 * x + 2] = BYTE(ClampTruncate(1.596 * cr + lumaScaled));
    }
    // The outer columns repeat their inner neighbours.
    const int last = width - 1;
    for (int c = 0; c < 3; ++c) {
        out[c] = out[3 + c];
        out[3 * last + c] = out[3 * (last - 1) + c];
    }
}

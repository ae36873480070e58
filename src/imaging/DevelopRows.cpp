#include "imaging/DevelopRows.h"

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

#include "imaging/ColorSpace.h"
#include "imaging/ToneCurve.h"

#define NITIDOR_INLINE inline __attribute__((always_inline))

namespace {

// The colour conversions run eight pixels at a time in explicit vectors, since compilers
// do not vectorise byte-to-double loops on their own. Each lane performs exactly the
// scalar operations in the same order, so vector and scalar pixels agree to the bit.
constexpr int kLanes = 8;
typedef double VecD __attribute__((vector_size(8 * kLanes)));
typedef int32_t VecI __attribute__((vector_size(4 * kLanes)));

NITIDOR_INLINE double ToDouble(int v) {
    return double(v);
}
NITIDOR_INLINE VecD ToDouble(VecI v) {
    return __builtin_convertvector(v, VecD);
}

NITIDOR_INLINE int ClampByte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
NITIDOR_INLINE VecI ClampByte(VecI v) {
    const VecI zero = {};
    v = v < zero ? zero : v;
    return v > zero + 255 ? zero + 255 : v;
}

// Truncation toward zero, then clamping. The operands stay far inside the int range.
NITIDOR_INLINE int ClampTruncate(double v) {
    return ClampByte(int(v));
}
NITIDOR_INLINE VecI ClampTruncate(VecD v) {
    return ClampByte(__builtin_convertvector(v, VecI));
}

NITIDOR_INLINE VecI Load(const int32_t* p) {
    VecI v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

NITIDOR_INLINE void Store(int32_t* p, VecI v) {
    std::memcpy(p, &v, sizeof v);
}

template <typename T, int Stride>
NITIDOR_INLINE VecI Load(const T* p) {
    if constexpr (Stride == 1) {
        return Load(p);
    } else {
        return VecI{p[0],          p[Stride],     p[2 * Stride], p[3 * Stride],
                    p[4 * Stride], p[5 * Stride], p[6 * Stride], p[7 * Stride]};
    }
}

// Luma and gained chroma of a pixel; D and I are double and int or their vectors.
template <typename D, typename I>
NITIDOR_INLINE void ConvertPixel(D b, D g, D r, I& luma, I& crGain, I& cbGain) {
    using namespace bt601;
    luma = ClampTruncate(((kLumaBlue * b + kLumaRed * r) + kLumaGreen * g) + kLumaOffset);
    const I cr = ClampTruncate(((kCrRed * r - kCrGreen * g) - kCrBlue * b) + kChromaOffset);
    const I cb = ClampTruncate((kCbBlue * b - (kCbRed * r + kCbGreen * g)) + kChromaOffset);
    // The saturation gain reads only the centre's own chroma.
    crGain = ClampTruncate(ToDouble(cr - 128) * 1.5 + 128.0);
    cbGain = ClampTruncate(ToDouble(cb - 128) * 1.5 + 128.0);
}

// The sharpened luma of a centre against the sum of its eight neighbours' luma.
template <typename I>
NITIDOR_INLINE I SharpenedLuma(I centre, I neighbours) {
    const I n = ClampByte(9 * centre - neighbours);
    const I step = n - centre;
    // Small steps are noise: only a luma jump of 16 or more is sharpened.
    return ((step < 16) & (step > -16)) ? centre : n;
}

template <typename D, typename I>
NITIDOR_INLINE void LumaChromaToBgr(I luma, I crGain, I cbGain, I& b, I& g, I& r) {
    using namespace bt601;
    const D lumaScaled = kLumaScale * ToDouble(luma - 16);
    const D cr = ToDouble(crGain - 128);
    const D cb = ToDouble(cbGain - 128);
    b = ClampTruncate(kBlueFromCb * cb + lumaScaled);
    g = ClampTruncate((lumaScaled - kGreenFromCr * cr) - kGreenFromCb * cb);
    r = ClampTruncate(kRedFromCr * cr + lumaScaled);
}

// One demosaiced pixel: the colour of the row's own sites, the other colour, and green.
// A blue or red site keeps its sample; a green site averages its like neighbours.
struct BayerPixel {
    int rowColour;
    int otherColour;
    int green;
};

NITIDOR_INLINE BayerPixel DemosaicPixel(const BYTE* up, const BYTE* mid, const BYTE* down, int left,
                                        int x, int right, bool colourSite) {
    const int horizontal = mid[left] + mid[right];
    const int vertical = up[x] + down[x];
    const int diagonal = up[left] + up[right] + down[left] + down[right];
    if (colourSite) {
        return {mid[x], diagonal >> 2, (horizontal + vertical) >> 2};
    }
    return {horizontal >> 1, vertical >> 1, (4 * mid[x] + diagonal) >> 3};
}

template <typename Out, int Stride>
NITIDOR_INLINE void DemosaicRowT(const BYTE* __restrict up, const BYTE* __restrict mid,
                                 const BYTE* __restrict down, int width, int kindAtStart,
                                 Out* __restrict blue, Out* __restrict green, Out* __restrict red) {
    // Kinds 0 and 1 lie on rows whose own sites are blue; kinds 0 and 3 are sites.
    const bool blueRow = kindAtStart < 2;
    Out* __restrict own = blueRow ? blue : red;
    Out* __restrict other = blueRow ? red : blue;
    const int siteParity = (kindAtStart == 0 || kindAtStart == 3) ? 0 : 1;

    auto store = [&](int x, const BayerPixel& p) {
        own[x * Stride] = Out(p.rowColour);
        other[x * Stride] = Out(p.otherColour);
        green[x * Stride] = Out(p.green);
    };
    // The mirror skips one column, so both neighbours of an edge column are the same one.
    store(0, DemosaicPixel(up, mid, down, 1, 0, 1, siteParity == 0));
    for (int x = 1; x < width - 1; ++x) {
        const int horizontal = mid[x - 1] + mid[x + 1];
        const int vertical = up[x] + down[x];
        const int diagonal = up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1];
        const int centre = mid[x];
        const bool site = (x & 1) == siteParity;
        own[x * Stride] = Out(site ? centre : horizontal >> 1);
        other[x * Stride] = Out(site ? diagonal >> 2 : vertical >> 1);
        green[x * Stride] = Out(site ? (horizontal + vertical) >> 2 : (4 * centre + diagonal) >> 3);
    }
    const int last = width - 1;
    store(last, DemosaicPixel(up, mid, down, last - 1, last, last - 1, (last & 1) == siteParity));
}

template <typename T, int Stride>
NITIDOR_INLINE void ConvertRowT(const T* blue, const T* green, const T* red, int width,
                                const ConvertedRow& out) {
    int x = 0;
    for (; x + kLanes <= width; x += kLanes) {
        const size_t at = size_t(x) * Stride;
        VecI luma, crGain, cbGain;
        ConvertPixel(ToDouble(Load<T, Stride>(blue + at)), ToDouble(Load<T, Stride>(green + at)),
                     ToDouble(Load<T, Stride>(red + at)), luma, crGain, cbGain);
        Store(out.luma + x, luma);
        Store(out.crGain + x, crGain);
        Store(out.cbGain + x, cbGain);
    }
    for (; x < width; ++x) {
        const size_t at = size_t(x) * Stride;
        ConvertPixel(double(blue[at]), double(green[at]), double(red[at]), out.luma[x],
                     out.crGain[x], out.cbGain[x]);
    }
}

// Writes eight packed BGR pixels as one 4-byte store each; every store also touches the
// blue byte of the pixel after the group, which the caller writes afterwards.
NITIDOR_INLINE void StoreBgr(BYTE* out, VecI b, VecI g, VecI r) {
    if constexpr (std::endian::native == std::endian::little) {
        const VecI pixels = b | (g << 8) | (r << 16);
        for (int i = 0; i < kLanes; ++i) {
            const uint32_t pixel = uint32_t(pixels[i]);
            std::memcpy(out + 3 * i, &pixel, 4);
        }
    } else {
        for (int i = 0; i < kLanes; ++i) {
            out[3 * i] = BYTE(b[i]), out[3 * i + 1] = BYTE(g[i]), out[3 * i + 2] = BYTE(r[i]);
        }
    }
}

struct VectorLoad {
    NITIDOR_INLINE VecI operator()(const int32_t* p) const { return Load(p); }
};
struct ScalarLoad {
    NITIDOR_INLINE int operator()(const int32_t* p) const { return *p; }
};

template <typename D, typename I, typename Loader>
NITIDOR_INLINE void SharpenPixels(Loader load, const int32_t* up, const ConvertedRow& centre,
                                  const int32_t* down, int x, I& b, I& g, I& r) {
    const I lumaCentre = load(centre.luma + x);
    const I neighbours = load(up + x - 1) + load(up + x) + load(up + x + 1) +
                         load(centre.luma + x - 1) + load(centre.luma + x + 1) +
                         load(down + x - 1) + load(down + x) + load(down + x + 1);
    LumaChromaToBgr<D>(SharpenedLuma(lumaCentre, neighbours), load(centre.crGain + x),
                       load(centre.cbGain + x), b, g, r);
}

NITIDOR_INLINE void SharpenRowT(const int32_t* lumaUp, const ConvertedRow& centre,
                                const int32_t* lumaDown, int width, BYTE* bgr) {
    const int last = width - 1;
    int x = 1;
    for (; x + kLanes <= last; x += kLanes) {
        VecI b, g, r;
        SharpenPixels<VecD>(VectorLoad{}, lumaUp, centre, lumaDown, x, b, g, r);
        StoreBgr(bgr + 3 * size_t(x), b, g, r);
    }
    for (; x < last; ++x) {
        int b, g, r;
        SharpenPixels<double>(ScalarLoad{}, lumaUp, centre, lumaDown, x, b, g, r);
        BYTE* out = bgr + 3 * size_t(x);
        out[0] = BYTE(b), out[1] = BYTE(g), out[2] = BYTE(r);
    }
    // The outer columns repeat their inner neighbours.
    std::memmove(bgr, bgr + 3, 3);
    std::memmove(bgr + 3 * size_t(last), bgr + 3 * size_t(last - 1), 3);
}

// The same kernels built twice: for the baseline instruction set and, where the processor
// has it, for AVX2, whose double lanes round exactly like the baseline's (no fused
// multiply-add is enabled).
struct RowKernels {
    void (*demosaic)(const BYTE*, const BYTE*, const BYTE*, int, int, int32_t*, int32_t*, int32_t*);
    void (*convert)(const int32_t*, const int32_t*, const int32_t*, int, const ConvertedRow&);
    void (*convertBgr)(const BYTE*, int, const ConvertedRow&);
    void (*sharpen)(const int32_t*, const ConvertedRow&, const int32_t*, int, BYTE*);
};

#define NITIDOR_BASELINE
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NITIDOR_WIDE_KERNELS 1
#define NITIDOR_WIDE __attribute__((target("avx2")))
#else
#define NITIDOR_WIDE_KERNELS 0
#endif

#define NITIDOR_DEFINE_KERNELS(Name, ATTRIBUTES)                                                 \
    ATTRIBUTES void Demosaic##Name(const BYTE* up, const BYTE* mid, const BYTE* down, int width, \
                                   int kind, int32_t* blue, int32_t* green, int32_t* red) {      \
        DemosaicRowT<int32_t, 1>(up, mid, down, width, kind, blue, green, red);                  \
    }                                                                                            \
    ATTRIBUTES void Convert##Name(const int32_t* blue, const int32_t* green, const int32_t* red, \
                                  int width, const ConvertedRow& out) {                          \
        ConvertRowT<int32_t, 1>(blue, green, red, width, out);                                   \
    }                                                                                            \
    ATTRIBUTES void ConvertBgr##Name(const BYTE* bgr, int width, const ConvertedRow& out) {      \
        ConvertRowT<BYTE, 3>(bgr, bgr + 1, bgr + 2, width, out);                                 \
    }                                                                                            \
    ATTRIBUTES void Sharpen##Name(const int32_t* up, const ConvertedRow& centre,                 \
                                  const int32_t* down, int width, BYTE* bgr) {                   \
        SharpenRowT(up, centre, down, width, bgr);                                               \
    }                                                                                            \
    constexpr RowKernels k##Name##Kernels{Demosaic##Name, Convert##Name, ConvertBgr##Name,       \
                                          Sharpen##Name};

NITIDOR_DEFINE_KERNELS(Baseline, NITIDOR_BASELINE)
#if NITIDOR_WIDE_KERNELS
NITIDOR_DEFINE_KERNELS(Wide, NITIDOR_WIDE)
#endif

bool WideKernelsSupported() {
#if NITIDOR_WIDE_KERNELS
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

std::atomic<const RowKernels*> g_pKernels{nullptr};

const RowKernels& Kernels() {
    const RowKernels* kernels = g_pKernels.load(std::memory_order_acquire);
    if (kernels == nullptr) {
        UseWideRowKernels(true);
        kernels = g_pKernels.load(std::memory_order_acquire);
    }
    return *kernels;
}

}  // namespace

BOOL UseWideRowKernels(BOOL use) {
#if NITIDOR_WIDE_KERNELS
    if (use && WideKernelsSupported()) {
        g_pKernels.store(&kWideKernels, std::memory_order_release);
        return true;
    }
#endif
    g_pKernels.store(&kBaselineKernels, std::memory_order_release);
    return !use;
}

void DemosaicRow(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                 int32_t* blue, int32_t* green, int32_t* red) {
    Kernels().demosaic(up, mid, down, width, kindAtStart, blue, green, red);
}

void DemosaicRowBgr(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                    BYTE* bgr) {
    DemosaicRowT<BYTE, 3>(up, mid, down, width, kindAtStart, bgr, bgr + 1, bgr + 2);
}

void ToneRow(int32_t* values, int count) {
    for (int i = 0; i < count; ++i) {
        values[i] = ToneTable[values[i]];
    }
}

void ConvertRow(const int32_t* blue, const int32_t* green, const int32_t* red, int width,
                const ConvertedRow& out) {
    Kernels().convert(blue, green, red, width, out);
}

void ConvertRowBgr(const BYTE* bgr, int width, const ConvertedRow& out) {
    Kernels().convertBgr(bgr, width, out);
}

void SharpenRow(const int32_t* lumaUp, const ConvertedRow& centre, const int32_t* lumaDown,
                int width, BYTE* bgr) {
    Kernels().sharpen(lumaUp, centre, lumaDown, width, bgr);
}

#include "rectify/colour.h"

#include "rectify/row_order.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define VELTA_COLOUR_X86 1
#endif

namespace velta::rectify {

namespace {

constexpr std::uint32_t black = 0xFF000000u;
constexpr std::uint32_t opaque = 0xFF000000u;

// The row's sampling window as the kernels test it; ends included.
struct SamplingWindow {
    double xmin, xmax, ymin, ymax;
};

SamplingWindow windowOf(const Input& in) { return {in.area[1].x, in.area[4].x, in.area[1].y, in.area[2].y}; }

// ---- the reference ------------------------------------------------------------------------------

// Keys' cubic convolution kernel with a = -0.5.
double keys(double d) {
    d = std::fabs(d);
    if (d < 1) return (1.5 * d - 2.5) * d * d + 1;
    if (d < 2) return ((-0.5 * d + 2.5) * d - 4) * d + 2;
    return 0;
}

// The bilinear (tent) kernel.
double tent(double d) { return std::max(0.0, 1 - std::fabs(d)); }

// A tap index (a whole number held as a double, any size) clamped to 0 .. n - 1.
int clampedIndex(double k, int n) { return static_cast<int>(std::min(std::max(k, 0.0), n - 1.0)); }

// The picture's value at the source point (x, y), from `taps` x `taps` neighbours (2 or 4)
// weighted by `kernel`, in double.
std::uint32_t interpolated(const Picture& pic, double x, double y, int taps, double (*kernel)(double)) {
    const double fx = x - 1.5, fy = y - 0.5;   // the pixel centres at whole numbers
    const double firstX = std::floor(fx) - (taps / 2 - 1), firstY = std::floor(fy) - (taps / 2 - 1);
    double sum[3] = {0, 0, 0};
    for (int r = 0; r < taps; ++r) {
        const double wy = kernel(fy - (firstY + r));
        const std::uint32_t* row = pic.row(clampedIndex(firstY + r, pic.height));
        for (int c = 0; c < taps; ++c) {
            const double w = wy * kernel(fx - (firstX + c));
            const std::uint32_t px = row[clampedIndex(firstX + c, pic.width)];
            for (int ch = 0; ch < 3; ++ch) sum[ch] += w * static_cast<double>((px >> (8 * ch)) & 0xFFu);
        }
    }
    std::uint32_t out = opaque;
    for (int ch = 0; ch < 3; ++ch)
        out |= static_cast<std::uint32_t>(std::round(std::min(std::max(sum[ch], 0.0), 255.0))) << (8 * ch);
    return out;
}

std::uint32_t referenceSample(const Picture& pic, Interpolation interpolation, double x, double y) {
    switch (interpolation) {
    case Interpolation::bilinear: return interpolated(pic, x, y, 2, tent);
    case Interpolation::bicubic: return interpolated(pic, x, y, 4, keys);
    case Interpolation::nearest: break;
    }
    // Truncation as on the plain road: 1-based column Int(x), at least 1; row Int(y).
    const int col = clampedIndex(std::max(std::floor(x), 1.0) - 1, pic.width);
    const int row = clampedIndex(std::floor(y), pic.height);
    return pic.row(row)[col] | opaque;
}

}  // namespace

int colourColumnCount(const geom::Orientation& f) {
    const double w = f.rectWidth;
    if (!(w >= 1) || f.colPoints.size() < 2) return 0;
    const double marks = static_cast<double>(std::min<std::size_t>(f.colPoints.size() - 1, 32767));
    return static_cast<int>(std::floor(std::min(w, marks)));
}

void referenceColourRow(const Input& in, Interpolation interpolation, int i, std::uint32_t* out) {
    const geom::Orientation& f = in.frame;
    const int w = colourColumnCount(f);
    std::fill_n(out, w, black);
    const Picture& pic = in.image.picture;
    if (i < 1 || i > rowCount(f) || pic.empty()) return;
    const RowLine line = rowLine(f, in.vp, i);
    if (!line.finite) return;
    const SamplingWindow win = windowOf(in);
    for (int j = 1; j <= w; ++j) {
        const SourcePoint src = meetPoint(in.vp, line, columnLine(f, in.vp, j));
        // The window test on the unrounded values; NaN fails it.
        if (!(win.xmin <= src.x && src.x <= win.xmax && win.ymin <= src.y && src.y <= win.ymax) || !src.finite)
            continue;
        const int outCol = f.colSign == -1 ? w + 1 - j : j;
        out[outCol - 1] = referenceSample(pic, interpolation, src.x, src.y);
    }
}

// ---- the fast rectifier -------------------------------------------------------------------------

namespace {

// The tables are padded with NaN columns to whole blocks, so that the first stage runs without
// a scalar tail; a row is computed in runs of at most `runLength` pixels, whose intermediate
// values stay in the first level of the cache.
constexpr std::size_t block = 16;
constexpr std::size_t runLength = 256;
static_assert(runLength % block == 0);

// Column of a pixel outside the window, in the run's places.
constexpr std::int32_t outside = std::numeric_limits<std::int32_t>::min();

// The picture as the samplers read it.
struct Source {
    const std::uint32_t* pixels;
    std::ptrdiff_t stride;
    int width, height;
};

// What the first stage of a run reads: the column tables from the run's first position, the
// row's line and the window with its bounds made finite (so that an infinite point fails it as
// the reference's finiteness test fails it), and the picture's size.
struct RunGeometry {
    const double* slope;
    const double* base;
    double t, c, fuvx, fuvy;
    double xlo, xhi, ylo, yhi;
    double width, height;
};

// The first stage's results for each pixel of a run. Nearest: the 0-based column and row of the
// pixel read, row -1 outside the window. Interpolating: the column and row of the top-left of
// the central 2 x 2 (column `outside` outside the window), and the weights of the 2 or 4 taps
// across and down.
struct Run {
    alignas(64) std::int32_t col[runLength];
    alignas(64) std::int32_t row[runLength];
    alignas(64) float tx[runLength];
    alignas(64) float ty[runLength];
    alignas(64) float wx[4][runLength];
    alignas(64) float wy[4][runLength];
};

// x >= lo, and NaN gives lo; x <= hi. Written as comparisons that map onto the processor's
// minimum and maximum, so that the loops below vectorise.
inline double atLeast(double x, double lo) { return x > lo ? x : lo; }
inline double atMost(double x, double hi) { return x < hi ? x : hi; }

// The source points of a run of n pixels (n a multiple of the block) and the window test, with
// the reference's operations: srcX = (base + c) / (S - T), srcY = fuvy + (srcX - fuvx) * S. The
// loops are plain so that each instruction set's build of them vectorises them its own width.
[[gnu::always_inline]] inline void nearestPlaces(const RunGeometry& g, std::size_t n, Run& r) {
    for (std::size_t k = 0; k < n; ++k) {
        const double s = g.slope[k];
        const double x = (g.base[k] + g.c) / (s - g.t);
        const double y = g.fuvy + (x - g.fuvx) * s;
        const bool in = (x >= g.xlo) & (x <= g.xhi) & (y >= g.ylo) & (y <= g.yhi);
        // Int(x) - 1 at least 0 and Int(y), clamped to the picture; clamped before the conversion
        // so that any point converts.
        const auto col = static_cast<std::int32_t>(atMost(atLeast(x, 1.0), g.width)) - 1;
        const auto row = static_cast<std::int32_t>(atMost(atLeast(y, 0.0), g.height - 1));
        r.col[k] = col;
        r.row[k] = in ? row : -1;
    }
}

[[gnu::always_inline]] inline void interpolationPlaces(const RunGeometry& g, std::size_t n, Run& r) {
    for (std::size_t k = 0; k < n; ++k) {
        const double s = g.slope[k];
        const double x = (g.base[k] + g.c) / (s - g.t);
        const double y = g.fuvy + (x - g.fuvx) * s;
        const bool in = (x >= g.xlo) & (x <= g.xhi) & (y >= g.ylo) & (y <= g.yhi);
        // Pixel centres at whole numbers. Beyond -2 and the far side every tap is clamped to the
        // edge pixel, so the positions are clamped there first and always convert.
        const double fx = atMost(atLeast(x - 1.5, -2.0), g.width);
        const double fy = atMost(atLeast(y - 0.5, -2.0), g.height);
        // Floor by truncation, one less where that rounded up (negative values); the fraction
        // then becomes (fx - trunc) + 1, which is fx - floor(fx) as the reference computes it.
        const auto cx = static_cast<std::int32_t>(fx), cy = static_cast<std::int32_t>(fy);
        const double tx = fx - static_cast<double>(cx), ty = fy - static_cast<double>(cy);
        const double backX = tx < 0.0 ? 1.0 : 0.0, backY = ty < 0.0 ? 1.0 : 0.0;
        r.col[k] = in ? cx - static_cast<std::int32_t>(backX) : outside;
        r.row[k] = cy - static_cast<std::int32_t>(backY);
        r.tx[k] = static_cast<float>(tx + backX);
        r.ty[k] = static_cast<float>(ty + backY);
    }
}

[[gnu::always_inline]] inline void bilinearWeights(std::size_t n, Run& r) {
    for (std::size_t k = 0; k < n; ++k) {
        r.wx[0][k] = 1.0f - r.tx[k];
        r.wx[1][k] = r.tx[k];
        r.wy[0][k] = 1.0f - r.ty[k];
        r.wy[1][k] = r.ty[k];
    }
}

// Keys' kernel (a = -0.5) at distances 1 + t, t, 1 - t and 2 - t, as polynomials in t.
[[gnu::always_inline]] inline void keysWeights(const float* t, std::size_t n, float (*w)[runLength]) {
    for (std::size_t k = 0; k < n; ++k) {
        const float u = t[k];
        w[0][k] = ((-0.5f * u + 1.0f) * u - 0.5f) * u;
        w[1][k] = (1.5f * u - 2.5f) * u * u + 1.0f;
        w[2][k] = ((-1.5f * u + 2.0f) * u + 0.5f) * u;
        w[3][k] = (0.5f * u - 0.5f) * u * u;
    }
}

[[gnu::always_inline]] inline void places(Interpolation interpolation, const RunGeometry& g, std::size_t n, Run& r) {
    switch (interpolation) {
    case Interpolation::nearest: nearestPlaces(g, n, r); return;
    case Interpolation::bilinear:
        interpolationPlaces(g, n, r);
        bilinearWeights(n, r);
        return;
    case Interpolation::bicubic:
        interpolationPlaces(g, n, r);
        keysWeights(r.tx, n, r.wx);
        keysWeights(r.ty, n, r.wy);
        return;
    }
}

// The first stage in the default instruction set, and with AVX2 and AVX-512 (no FMA: the source
// point's operations stay unfused).
void placesDefault(Interpolation interpolation, const RunGeometry& g, std::size_t n, Run& r) {
    places(interpolation, g, n, r);
}

#ifdef VELTA_COLOUR_X86
[[gnu::target("avx2")]] void placesAvx2(Interpolation interpolation, const RunGeometry& g, std::size_t n, Run& r) {
    places(interpolation, g, n, r);
}

[[gnu::target("avx512f")]] void placesAvx512(Interpolation interpolation, const RunGeometry& g, std::size_t n,
                                             Run& r) {
    places(interpolation, g, n, r);
}
#endif

// ---- second stage: the samples -----------------------------------------------------------------
// The sum of an interpolating sample is taken in single precision in one fixed order, the same
// in every kernel, so all give the same bits: down the columns first,
//   v_l = ((wy0 p0l + wy1 p1l) + wy2 p2l) + wy3 p3l   (bilinear: wy0 p0l + wy1 p1l),
// then across,
//   (wx0 v0 + wx2 v2) + (wx1 v1 + wx3 v3)             (bilinear: wx0 v0 + wx1 v1),
// clamped to 0..255, plus one half, truncated.

void nearestSamples(const Source& src, const Run& r, std::size_t n, std::uint32_t* out) {
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t row = r.row[k];
        out[k] = row < 0 ? black : src.pixels[row * src.stride + r.col[k]] | opaque;
    }
}

// The taps x taps neighbourhood whose top-left central pixel is (c0, r0): in place in the
// picture when it lies inside, else copied into `edge` with the taps clamped to the picture.
inline const std::uint32_t* neighbourhood(const Source& s, std::int32_t c0, std::int32_t r0, int taps,
                                          std::uint32_t* edge, std::ptrdiff_t& stride) {
    const int left = c0 - (taps / 2 - 1), top = r0 - (taps / 2 - 1);
    if (left >= 0 && left <= s.width - taps && top >= 0 && top <= s.height - taps) {
        stride = s.stride;
        return s.pixels + top * s.stride + left;
    }
    for (int y = 0; y < taps; ++y) {
        const std::uint32_t* row = s.pixels + std::clamp(top + y, 0, s.height - 1) * s.stride;
        for (int x = 0; x < taps; ++x) edge[y * taps + x] = row[std::clamp(left + x, 0, s.width - 1)];
    }
    stride = taps;
    return edge;
}

inline float channel(std::uint32_t px, int shift) { return static_cast<float>((px >> shift) & 0xFFu); }

inline std::uint32_t toByte(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return static_cast<std::uint32_t>(v + 0.5f);
}

std::uint32_t bilinearPortable(const std::uint32_t* p, std::ptrdiff_t stride, const Run& r, std::size_t k) {
    const float wx0 = r.wx[0][k], wx1 = r.wx[1][k], wy0 = r.wy[0][k], wy1 = r.wy[1][k];
    std::uint32_t out = opaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const float v0 = wy0 * channel(p[0], shift) + wy1 * channel(p[stride], shift);
        const float v1 = wy0 * channel(p[1], shift) + wy1 * channel(p[stride + 1], shift);
        out |= toByte(wx0 * v0 + wx1 * v1) << shift;
    }
    return out;
}

std::uint32_t bicubicPortable(const std::uint32_t* p, std::ptrdiff_t stride, const Run& r, std::size_t k) {
    const float wx0 = r.wx[0][k], wx1 = r.wx[1][k], wx2 = r.wx[2][k], wx3 = r.wx[3][k];
    const float wy0 = r.wy[0][k], wy1 = r.wy[1][k], wy2 = r.wy[2][k], wy3 = r.wy[3][k];
    std::uint32_t out = opaque;
    for (int shift = 0; shift < 24; shift += 8) {
        float v[4];
        for (int l = 0; l < 4; ++l)
            v[l] = ((wy0 * channel(p[l], shift) + wy1 * channel(p[stride + l], shift)) +
                    wy2 * channel(p[2 * stride + l], shift)) +
                   wy3 * channel(p[3 * stride + l], shift);
        out |= toByte((wx0 * v[0] + wx2 * v[2]) + (wx1 * v[1] + wx3 * v[3])) << shift;
    }
    return out;
}

// The second stage of an interpolating kernel in the default instruction set, `sample` giving
// one pixel from its neighbourhood.
template <int taps, std::uint32_t (*sample)(const std::uint32_t*, std::ptrdiff_t, const Run&, std::size_t)>
void samples(const Source& src, const Run& r, std::size_t n, std::uint32_t* out) {
    std::uint32_t edge[16];
    for (std::size_t k = 0; k < n; ++k) {
        if (r.col[k] == outside) {
            out[k] = black;
            continue;
        }
        std::ptrdiff_t stride = 0;
        const std::uint32_t* p = neighbourhood(src, r.col[k], r.row[k], taps, edge, stride);
        out[k] = sample(p, stride, r, k);
    }
}

// Asks for the cache lines the samples of a run will read, before they are read: a row's
// source points run across the picture's rows, a path the processor's own prefetching does not
// follow. (Inline: as a function of its own, with no effect the compiler sees, it would be
// dropped.)
[[gnu::always_inline]] inline void prefetchSources(Interpolation interpolation, const Source& src, const Run& r,
                                                   std::size_t n) {
    const int taps = interpolation == Interpolation::nearest ? 1 : interpolation == Interpolation::bilinear ? 2 : 4;
    for (std::size_t k = 0; k < n; k += 4) {
        std::int32_t col = r.col[k], row = r.row[k];
        if (taps == 1) {
            if (row < 0) continue;
        } else {
            if (col == outside) continue;
            col = std::clamp(col, 0, src.width - 1);
            row -= taps / 2 - 1;
        }
        for (int y = 0; y < taps; ++y)
            __builtin_prefetch(src.pixels + std::clamp(row + y, 0, src.height - 1) * src.stride + col);
    }
}

#ifdef VELTA_COLOUR_X86

// The four channels of a sum, as a pixel with alpha 0xFF.
inline std::uint32_t packed(__m128 sum) {
    const __m128 v = _mm_add_ps(_mm_min_ps(_mm_max_ps(sum, _mm_setzero_ps()), _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f));
    const __m128i i = _mm_cvttps_epi32(v);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(i, i), _mm_setzero_si128());
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)) | opaque;
}

// Pixels 0 and 1 of the 8 bytes at p, one channel per lane.
inline void twoPixels(const std::uint32_t* p, __m128& a, __m128& b) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    a = _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
    b = _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero));
}

inline std::uint32_t bilinearSse2(const std::uint32_t* p, std::ptrdiff_t stride, const Run& r, std::size_t k) {
    const __m128 wy0 = _mm_set1_ps(r.wy[0][k]), wy1 = _mm_set1_ps(r.wy[1][k]);
    __m128 p00, p01, p10, p11;
    twoPixels(p, p00, p01);
    twoPixels(p + stride, p10, p11);
    const __m128 v0 = _mm_add_ps(_mm_mul_ps(wy0, p00), _mm_mul_ps(wy1, p10));
    const __m128 v1 = _mm_add_ps(_mm_mul_ps(wy0, p01), _mm_mul_ps(wy1, p11));
    return packed(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(r.wx[0][k]), v0), _mm_mul_ps(_mm_set1_ps(r.wx[1][k]), v1)));
}

inline std::uint32_t bicubicSse2(const std::uint32_t* p, std::ptrdiff_t stride, const Run& r, std::size_t k) {
    __m128 v[4];
    for (int y = 0; y < 4; ++y) {
        const __m128 wy = _mm_set1_ps(r.wy[y][k]);
        __m128 q[4];
        twoPixels(p + y * stride, q[0], q[1]);
        twoPixels(p + y * stride + 2, q[2], q[3]);
        for (int l = 0; l < 4; ++l) v[l] = y == 0 ? _mm_mul_ps(wy, q[l]) : _mm_add_ps(v[l], _mm_mul_ps(wy, q[l]));
    }
    const auto w = [&](int l) { return _mm_set1_ps(r.wx[l][k]); };
    return packed(_mm_add_ps(_mm_add_ps(_mm_mul_ps(w(0), v[0]), _mm_mul_ps(w(2), v[2])),
                             _mm_add_ps(_mm_mul_ps(w(1), v[1]), _mm_mul_ps(w(3), v[3]))));
}

// Nearest with AVX-512: sixteen pixels gathered at once, from offsets row * stride + column in
// 32 bits (the caller checks that every pixel's offset fits).
[[gnu::target("avx512f")]] void nearestSamplesAvx512(const Source& src, const Run& r, std::size_t n,
                                                     std::uint32_t* out) {
    const __m512i stride = _mm512_set1_epi32(static_cast<int>(src.stride));
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(opaque));
    std::size_t k = 0;
    for (; k + 16 <= n; k += 16) {   // the run's arrays are aligned to 64 bytes
        const __m512i row = _mm512_load_si512(r.row + k);
        const __mmask16 in = _mm512_cmpge_epi32_mask(row, _mm512_setzero_si512());
        const __m512i off = _mm512_add_epi32(_mm512_mullo_epi32(row, stride), _mm512_load_si512(r.col + k));
        const __m512i px = _mm512_mask_i32gather_epi32(alpha, in, off, src.pixels, 4);
        _mm512_storeu_si512(out + k, _mm512_or_si512(px, alpha));
    }
    for (; k < n; ++k) {
        const std::int32_t row = r.row[k];
        out[k] = row < 0 ? black : src.pixels[row * src.stride + r.col[k]] | opaque;
    }
}

// AVX2: two pixels of a row in one register, pixel 0 in the low half.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 twoPixelsAvx2(const std::uint32_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// a in the low half, b in the high half.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 halves(const float* a, const float* b) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_broadcast_ss(a)), _mm_broadcast_ss(b), 1);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m128 lowPlusHigh(__m256 v) {
    return _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
}

[[gnu::target("avx2"), gnu::always_inline]] inline std::uint32_t bilinearAvx2(const std::uint32_t* p,
                                                                            std::ptrdiff_t stride, const Run& r,
                                                                            std::size_t k) {
    const __m256 v = _mm256_add_ps(_mm256_mul_ps(_mm256_broadcast_ss(&r.wy[0][k]), twoPixelsAvx2(p)),
                                   _mm256_mul_ps(_mm256_broadcast_ss(&r.wy[1][k]), twoPixelsAvx2(p + stride)));
    return packed(lowPlusHigh(_mm256_mul_ps(halves(&r.wx[0][k], &r.wx[1][k]), v)));
}

[[gnu::target("avx2"), gnu::always_inline]] inline std::uint32_t bicubicAvx2(const std::uint32_t* p,
                                                                           std::ptrdiff_t stride, const Run& r,
                                                                           std::size_t k) {
    __m256 a = _mm256_setzero_ps(), b = _mm256_setzero_ps();   // columns 0, 1 and 2, 3
    for (int y = 0; y < 4; ++y) {
        const __m256 wy = _mm256_broadcast_ss(&r.wy[y][k]);
        const __m256 qa = _mm256_mul_ps(wy, twoPixelsAvx2(p + y * stride));
        const __m256 qb = _mm256_mul_ps(wy, twoPixelsAvx2(p + y * stride + 2));
        a = y == 0 ? qa : _mm256_add_ps(a, qa);
        b = y == 0 ? qb : _mm256_add_ps(b, qb);
    }
    const __m256 across = _mm256_add_ps(_mm256_mul_ps(halves(&r.wx[0][k], &r.wx[1][k]), a),
                                        _mm256_mul_ps(halves(&r.wx[2][k], &r.wx[3][k]), b));
    return packed(lowPlusHigh(across));
}

// The second stage of an interpolating kernel in AVX2: the loop of `samples`, compiled for AVX2
// so that the kernel's vector code is inlined into it. It is written out again because GCC will
// not inline an AVX2 kernel into a loop shared with the default instruction set.
template <int taps, std::uint32_t (*sample)(const std::uint32_t*, std::ptrdiff_t, const Run&, std::size_t)>
[[gnu::target("avx2")]] void samplesAvx2(const Source& src, const Run& r, std::size_t n, std::uint32_t* out) {
    std::uint32_t edge[16];
    for (std::size_t k = 0; k < n; ++k) {
        if (r.col[k] == outside) {
            out[k] = black;
            continue;
        }
        std::ptrdiff_t stride = 0;
        const std::uint32_t* p = neighbourhood(src, r.col[k], r.row[k], taps, edge, stride);
        out[k] = sample(p, stride, r, k);
    }
}

#endif

// The second stage of a run of n pixels into out. `narrow`: every pixel's offset in the picture
// fits in 32 bits.
void sampleRun(Kernel kernel, Interpolation interpolation, const Source& src, bool narrow, const Run& r,
               std::size_t n, std::uint32_t* out) {
    const bool bicubic = interpolation == Interpolation::bicubic;
    if (interpolation == Interpolation::nearest) {
#ifdef VELTA_COLOUR_X86
        if (kernel == Kernel::avx512 && narrow) return nearestSamplesAvx512(src, r, n, out);
#endif
        return nearestSamples(src, r, n, out);
    }
    switch (kernel) {
#ifdef VELTA_COLOUR_X86
    case Kernel::avx512:
    case Kernel::avx2: return bicubic ? samplesAvx2<4, bicubicAvx2>(src, r, n, out) : samplesAvx2<2, bilinearAvx2>(src, r, n, out);
    case Kernel::sse2:
        return bicubic ? samples<4, bicubicSse2>(src, r, n, out) : samples<2, bilinearSse2>(src, r, n, out);
#endif
    default:
        return bicubic ? samples<4, bicubicPortable>(src, r, n, out) : samples<2, bilinearPortable>(src, r, n, out);
    }
}

// The widest kernel the processor runs, no wider than asked.
Kernel resolveColour(Kernel k) {
    if (k == Kernel::automatic) k = Kernel::avx512;
    if (k == Kernel::avx512 && !kernelAvailable(Kernel::avx512)) k = Kernel::avx2;
    if (k == Kernel::avx2 && !kernelAvailable(Kernel::avx2)) k = Kernel::sse2;
    if (k == Kernel::sse2 && !kernelAvailable(Kernel::sse2)) k = Kernel::portable;
    return k;
}

}  // namespace

ColourRectifier::ColourRectifier(const Input& in, Interpolation interpolation, Kernel kernel)
    : image_(&in.image),
      interpolation_(interpolation),
      kernel_(resolveColour(kernel)),
      g_(rowSetup(in, colourColumnCount(in.frame), block)) {}

void ColourRectifier::computeRow(int i, std::uint32_t* out) const {
    const auto w = static_cast<std::size_t>(g_.width);
    // Read each time: the picture may have changed while pending events ran between rows.
    const Picture& pic = image_->picture;
    if (w == 0 || i < 1 || i > g_.height || !g_.tables.rows[static_cast<std::size_t>(i)].finite || pic.empty()) {
        std::fill_n(out, w, black);
        return;
    }
    const RowLine& line = g_.tables.rows[static_cast<std::size_t>(i)];
    constexpr double lowest = std::numeric_limits<double>::lowest(), highest = std::numeric_limits<double>::max();
    RunGeometry g{nullptr,
                  nullptr,
                  line.slope,
                  line.intercept,
                  g_.fuvx,
                  g_.fuvy,
                  std::max(g_.xmin, lowest),
                  std::min(g_.xmax, highest),
                  std::max(g_.ymin, lowest),
                  std::min(g_.ymax, highest),
                  static_cast<double>(pic.width),
                  static_cast<double>(pic.height)};
    const Source src{pic.pixels, pic.stride, pic.width, pic.height};
    const bool narrow = pic.stride >= 0 && static_cast<std::int64_t>(pic.height - 1) * pic.stride + pic.width <=
                                               std::numeric_limits<std::int32_t>::max();
    // The first stage of run c, and the prefetching of its samples' lines.
    const auto prepare = [&](std::size_t c, Run& r) {
        const std::size_t p0 = c * runLength, n = std::min(runLength, w - p0);
        g.slope = g_.tables.colSlope.data() + p0;
        g.base = g_.tables.colBase.data() + p0;
        const std::size_t padded = (n + block - 1) / block * block;   // within the padded tables
        switch (kernel_) {
#ifdef VELTA_COLOUR_X86
        case Kernel::avx512: placesAvx512(interpolation_, g, padded, r); break;
        case Kernel::avx2: placesAvx2(interpolation_, g, padded, r); break;
#endif
        default: placesDefault(interpolation_, g, padded, r); break;
        }
        prefetchSources(interpolation_, src, r, n);
    };
    // Each run is prepared while the run before it is still to be sampled, so that its lines are
    // on their way from memory by the time they are read.
    Run runs[2];
    const std::size_t count = (w + runLength - 1) / runLength;
    prepare(0, runs[0]);
    for (std::size_t c = 0; c < count; ++c) {
        if (c + 1 < count) prepare(c + 1, runs[(c + 1) % 2]);
        const std::size_t p0 = c * runLength;
        sampleRun(kernel_, interpolation_, src, narrow, runs[c % 2], std::min(runLength, w - p0), out + p0);
    }
}

}  // namespace velta::rectify

#include "rectify/rectifier.h"

#include "rectify/reference.h"
#include "rectify/row_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#endif

namespace velta::rectify {

namespace {

// The tables are padded with NaN columns to a whole number of these blocks, so that the kernels
// run without a scalar tail (a NaN column is never sampled).
constexpr std::size_t block = 8;
constexpr std::size_t paddedRecord = (rowRecordSize + block - 1) / block * block;

struct PixelParams {
    double t, c, fuvx, fuvy, xlo, xhi, ylo, yhi;
};

// The kernels write, for every position of the row, the offset of its source byte from the start
// of the first source record, or a negative number when the position is not sampled. Their
// arithmetic is the reference's, operation for operation, so the bits match: srcX = (base + c) /
// (S - T), srcY = fuvy + (srcX - fuvx) * S, then the window test on the unrounded values. Only
// values inside the bounds reach a conversion, where truncation equals Int(): x in [1, W + 1),
// y in [0, rows).

void offsetsPortable(const double* slope, const double* base, std::size_t n, const PixelParams& pp,
                     std::int32_t* offset) {
    for (std::size_t k = 0; k < n; ++k) {
        const double s = slope[k];
        const double x = (base[k] + pp.c) / (s - pp.t);
        const double y = pp.fuvy + (x - pp.fuvx) * s;
        if (x >= pp.xlo && x <= pp.xhi && y >= pp.ylo && y <= pp.yhi)
            offset[k] = static_cast<std::int32_t>(y) * rowRecordSize +
                        static_cast<std::int32_t>(x < 1.0 ? 1.0 : x) - 1;
        else
            offset[k] = -1;
    }
}

#if defined(__x86_64__) && defined(__SSE2__)

// Four offsets from the truncated source column and row of four pixels (row -1 for a pixel that
// is not sampled): row * record size + column - 1, by one multiply-add of 16-bit pairs, since
// rows stay below 32767 and columns below 3001.
inline __m128i offsetsOf(__m128i col, __m128i row) {
    const __m128i pairs = _mm_unpacklo_epi16(_mm_packs_epi32(row, row), _mm_packs_epi32(col, col));
    const __m128i weights = _mm_set1_epi32((1 << 16) | rowRecordSize);
    return _mm_sub_epi32(_mm_madd_epi16(pairs, weights), _mm_set1_epi32(1));
}

void offsetsSse2(const double* slope, const double* base, std::size_t n, const PixelParams& pp,
                 std::int32_t* offset) {
    const __m128d t = _mm_set1_pd(pp.t), c = _mm_set1_pd(pp.c);
    const __m128d fuvx = _mm_set1_pd(pp.fuvx), fuvy = _mm_set1_pd(pp.fuvy);
    const __m128d xlo = _mm_set1_pd(pp.xlo), xhi = _mm_set1_pd(pp.xhi);
    const __m128d ylo = _mm_set1_pd(pp.ylo), yhi = _mm_set1_pd(pp.yhi);
    const __m128d one = _mm_set1_pd(1.0), minusOne = _mm_set1_pd(-1.0);
    const auto two = [&](std::size_t k, __m128i& col, __m128i& row) {
        const __m128d s = _mm_loadu_pd(slope + k);
        const __m128d x = _mm_div_pd(_mm_add_pd(_mm_loadu_pd(base + k), c), _mm_sub_pd(s, t));
        const __m128d y = _mm_add_pd(fuvy, _mm_mul_pd(_mm_sub_pd(x, fuvx), s));
        const __m128d in = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(x, xlo), _mm_cmple_pd(x, xhi)),
                                      _mm_and_pd(_mm_cmpge_pd(y, ylo), _mm_cmple_pd(y, yhi)));
        const __m128d xs = _mm_or_pd(_mm_and_pd(in, _mm_max_pd(x, one)), _mm_andnot_pd(in, one));
        const __m128d ys = _mm_or_pd(_mm_and_pd(in, y), _mm_andnot_pd(in, minusOne));
        col = _mm_cvttpd_epi32(xs);
        row = _mm_cvttpd_epi32(ys);
    };
    for (std::size_t k = 0; k < n; k += 4) {
        __m128i c0, r0, c1, r1;
        two(k, c0, r0);
        two(k + 2, c1, r1);
        const __m128i off = offsetsOf(_mm_unpacklo_epi64(c0, c1), _mm_unpacklo_epi64(r0, r1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(offset + k), off);
    }
}

// AVX2 without FMA (the target does not include it, so no fused multiply-add is generated):
// the same operations four at a time.
struct Avx2Params {
    __m256d t, c, fuvx, fuvy, xlo, xhi, ylo, yhi;
};

[[gnu::target("avx2")]] inline Avx2Params broadcast(const PixelParams& pp) {
    return {_mm256_set1_pd(pp.t),    _mm256_set1_pd(pp.c),    _mm256_set1_pd(pp.fuvx), _mm256_set1_pd(pp.fuvy),
            _mm256_set1_pd(pp.xlo), _mm256_set1_pd(pp.xhi), _mm256_set1_pd(pp.ylo), _mm256_set1_pd(pp.yhi)};
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m128i offsets4(const Avx2Params& v, const double* slope,
                                                                   const double* base) {
    const __m256d one = _mm256_set1_pd(1.0), minusOne = _mm256_set1_pd(-1.0);
    const __m256d s = _mm256_loadu_pd(slope);
    const __m256d x = _mm256_div_pd(_mm256_add_pd(_mm256_loadu_pd(base), v.c), _mm256_sub_pd(s, v.t));
    const __m256d y = _mm256_add_pd(v.fuvy, _mm256_mul_pd(_mm256_sub_pd(x, v.fuvx), s));
    const __m256d in = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(x, v.xlo, _CMP_GE_OQ), _mm256_cmp_pd(x, v.xhi, _CMP_LE_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(y, v.ylo, _CMP_GE_OQ), _mm256_cmp_pd(y, v.yhi, _CMP_LE_OQ)));
    const __m256d xs = _mm256_blendv_pd(one, _mm256_max_pd(x, one), in);
    const __m256d ys = _mm256_blendv_pd(minusOne, y, in);
    return offsetsOf(_mm256_cvttpd_epi32(xs), _mm256_cvttpd_epi32(ys));
}

[[gnu::target("avx2")]] void offsetsAvx2(const double* slope, const double* base, std::size_t n,
                                         const PixelParams& pp, std::int32_t* offset) {
    const Avx2Params v = broadcast(pp);
    for (std::size_t k = 0; k < n; k += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(offset + k), offsets4(v, slope + k, base + k));
}

// AVX-512: eight at a time, the window test in a mask register; masked maximum and move stand
// for the blends.
[[gnu::target("avx512f")]] void offsetsAvx512(const double* slope, const double* base, std::size_t n,
                                              const PixelParams& pp, std::int32_t* offset) {
    const __m512d t = _mm512_set1_pd(pp.t), c = _mm512_set1_pd(pp.c);
    const __m512d fuvx = _mm512_set1_pd(pp.fuvx), fuvy = _mm512_set1_pd(pp.fuvy);
    const __m512d xlo = _mm512_set1_pd(pp.xlo), xhi = _mm512_set1_pd(pp.xhi);
    const __m512d ylo = _mm512_set1_pd(pp.ylo), yhi = _mm512_set1_pd(pp.yhi);
    const __m512d one = _mm512_set1_pd(1.0), minusOne = _mm512_set1_pd(-1.0);
    const __m256i weights = _mm256_set1_epi32((1 << 16) | rowRecordSize);
    constexpr __mmask8 all = 0xFF;
    for (std::size_t k = 0; k < n; k += 8) {
        const __m512d s = _mm512_loadu_pd(slope + k);
        const __m512d x = _mm512_div_pd(_mm512_add_pd(_mm512_loadu_pd(base + k), c), _mm512_sub_pd(s, t));
        const __m512d y = _mm512_add_pd(fuvy, _mm512_mul_pd(_mm512_sub_pd(x, fuvx), s));
        const __mmask8 in = static_cast<__mmask8>(
            _mm512_cmp_pd_mask(x, xlo, _CMP_GE_OQ) & _mm512_cmp_pd_mask(x, xhi, _CMP_LE_OQ) &
            _mm512_cmp_pd_mask(y, ylo, _CMP_GE_OQ) & _mm512_cmp_pd_mask(y, yhi, _CMP_LE_OQ));
        const __m512d xs = _mm512_mask_max_pd(one, in, x, one);
        const __m512d ys = _mm512_mask_mov_pd(minusOne, in, y);
        const __m256i col = _mm512_maskz_cvttpd_epi32(all, xs), row = _mm512_maskz_cvttpd_epi32(all, ys);
        const __m256i pairs = _mm256_unpacklo_epi16(_mm256_packs_epi32(row, row), _mm256_packs_epi32(col, col));
        const __m256i off = _mm256_sub_epi32(_mm256_madd_epi16(pairs, weights), _mm256_set1_epi32(1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(offset + k), off);
    }
}

#endif

Kernel resolve(Kernel k) {
#if defined(__x86_64__) && defined(__SSE2__)
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2");
    if (k == Kernel::automatic) k = Kernel::avx512;
    if (k == Kernel::avx512 && !avx512) k = Kernel::avx2;
    if (k == Kernel::avx2 && !avx2) k = Kernel::sse2;
    return k;
#else
    (void)k;
    return Kernel::portable;
#endif
}

}  // namespace

bool kernelAvailable(Kernel k) { return k == Kernel::automatic || resolve(k) == k; }

Rectifier::Rectifier(const Input& in, Kernel kernel)
    : image_(&in.image),
      kernel_(resolve(kernel)),
      g_(rowSetup(in, columnCount(in.frame), block)) {}

Rectifier::Bounds Rectifier::boundsNow() const {
    // Read each time: the image may have changed while pending events ran between rows.
    const SourceImage& img = *image_;
    const int rows = std::min(static_cast<int>(img.fileHeight),
                              static_cast<int>(std::min<std::size_t>(img.sourceRows.size(), 32767)));
    const double cols =
        img.fileWidth >= 1 ? std::floor(std::min(img.fileWidth, static_cast<double>(rowRecordSize))) : 0.0;
    if (rows < 1 || cols < 1 || std::isnan(g_.xmin) || std::isnan(g_.xmax) || std::isnan(g_.ymin) ||
        std::isnan(g_.ymax))
        return Bounds{0, 0, 0, 0, false};
    constexpr double below = -std::numeric_limits<double>::infinity();
    // Int(srcX) <= cols  <=>  srcX < cols + 1, and 0 <= Int(srcY) <= rows - 1  <=>  0 <= srcY < rows;
    // the lower x bound stays finite so that -inf cannot pass.
    return Bounds{std::max(g_.xmin, std::numeric_limits<double>::lowest()),
                  std::min(g_.xmax, std::nextafter(cols + 1.0, below)),
                  std::max(g_.ymin, 0.0),
                  std::min(g_.ymax, std::nextafter(static_cast<double>(rows), below)),
                  true};
}

void Rectifier::computeRow(int i, RowRecord& out) const {
    const auto w = static_cast<std::size_t>(g_.width);
    const Bounds bounds = boundsNow();
    if (i < 1 || i > g_.height || !g_.tables.rows[static_cast<std::size_t>(i)].finite || !bounds.any) {
        out.fill(0);
        return;
    }
    const RowLine& line = g_.tables.rows[static_cast<std::size_t>(i)];
    const PixelParams pp{line.slope, line.intercept, g_.fuvx, g_.fuvy, bounds.xlo, bounds.xhi, bounds.ylo, bounds.yhi};

    // The records lie back to back in the vector, so one offset from the first reaches them all.
    static_assert(sizeof(RowRecord) == rowRecordSize);
    const auto* src = reinterpret_cast<const std::uint8_t*>(image_->sourceRows.data());
    const std::size_t n = g_.tables.colSlope.size();   // at most the record size: it is a multiple of the block
    std::array<std::int32_t, paddedRecord> offset;
    switch (kernel_) {
#if defined(__x86_64__) && defined(__SSE2__)
    case Kernel::avx512: offsetsAvx512(g_.tables.colSlope.data(), g_.tables.colBase.data(), n, pp, offset.data()); break;
    case Kernel::avx2: offsetsAvx2(g_.tables.colSlope.data(), g_.tables.colBase.data(), n, pp, offset.data()); break;
    case Kernel::sse2: offsetsSse2(g_.tables.colSlope.data(), g_.tables.colBase.data(), n, pp, offset.data()); break;
#endif
    default: offsetsPortable(g_.tables.colSlope.data(), g_.tables.colBase.data(), n, pp, offset.data()); break;
    }
    for (std::size_t p = 0; p < w; ++p) {
        const std::int32_t o = offset[p];
        out[p] = o >= 0 ? src[o] : std::uint8_t{0};
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(w), out.end(), std::uint8_t{0});
}

}  // namespace velta::rectify

#pragma once
// The fast rectifier: everything that depends only on a column (its mark, ray, foot, source line)
// and only on a row is computed once per rectification, so that a pixel costs one division, a
// few operations and the sample. The results equal referenceRow bit for bit.

#include "rectify/reference.h"
#include "state/state.h"

#include <cstdint>
#include <vector>

namespace velta::rectify {

/// The instruction set used for the per-pixel arithmetic; all give the same bits. `automatic`
/// picks the widest the processor has; one it lacks falls back to the next narrower.
enum class Kernel { automatic, portable, sse2, avx2, avx512 };

/// Whether a rectifier asked for `k` uses it rather than a narrower one: `k` is compiled into
/// this build and the processor runs it. automatic always is.
[[nodiscard]] bool kernelAvailable(Kernel k);

class Rectifier {
public:
    /// Precomputes the row and column constructions of the rectification `in`. The source image
    /// is read later, row by row, from `in.image`, which must outlive the rectifier.
    explicit Rectifier(const Input& in, Kernel kernel = Kernel::automatic);

    /// Number of output columns W.
    [[nodiscard]] int width() const { return width_; }

    /// Number of output rows H.
    [[nodiscard]] int height() const { return height_; }

    /// The kernel actually used (automatic resolves to what the processor supports).
    [[nodiscard]] Kernel kernel() const { return kernel_; }

    /// Computes output row i (row mark 1..H) into `out`, bit-identical to referenceRow.
    void computeRow(int i, RowRecord& out) const;

private:
    // Window and readable extent of the source folded into inclusive bounds on srcX and srcY.
    struct Bounds {
        double xlo, xhi, ylo, yhi;
        bool any;   // false: no source point can be sampled
    };
    [[nodiscard]] Bounds boundsNow() const;

    const SourceImage* image_;
    Kernel kernel_;
    int width_ = 0;
    int height_ = 0;
    double fuvx_ = 0, fuvy_ = 0;
    double xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
    // Per output position p (0-based, mirroring applied), padded to a multiple of the block size:
    // the slope S of the source line of its column and S * fuvx - fuvy; NaN for a column
    // without a finite construction, which no pixel can then pass.
    std::vector<double> colSlope_;
    std::vector<double> colBase_;
    // Per row mark i = 0..H: the source line of the row.
    std::vector<RowLine> rows_;
};

}  // namespace velta::rectify

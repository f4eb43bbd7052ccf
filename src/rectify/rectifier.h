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
    [[nodiscard]] int width() const { return g_.width; }

    /// Number of output rows H.
    [[nodiscard]] int height() const { return g_.height; }

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
    RowSetup g_;   // size, V, window and line tables
};

}  // namespace velta::rectify

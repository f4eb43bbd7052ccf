#pragma once
// The colour road's rectification: the same construction and source point for every output
// pixel as the plain road, and the same sampling window (the calculation area, on the unrounded
// point, ends included; pixels outside it are black). Inside the window the source is read with
// the plain road's offsets: the value of 0-based pixel (c, r) stands at (c + 1.5, r + 0.5), so
// nearest is the plain road's truncation and bilinear and bicubic (Keys, a = -0.5) interpolate
// between those centres, clamping at the picture's edges.

#include <cstdint>

#include "rectify/reference.h"
#include "state/state.h"

namespace velta::rectify {

class ColourRectifier {
public:
    /// Precomputes the row and column lines of the rectification `in`, whose image holds a
    /// colour picture (which must outlive the rectifier).
    ColourRectifier(const Input& in, Interpolation interpolation);

    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }

    /// Computes output row i (row mark 1..H) into width() pixels 0xFFRRGGBB, mirrored as the
    /// plain road's rows are.
    void computeRow(int i, std::uint32_t* out) const;

private:
    int width_ = 0;
    int height_ = 0;
};

/// Output row i straight from the construction, pixel by pixel, weights and sums in double,
/// rounded half away from zero and clamped to 0..255: the measure of the fast kernels.
void referenceColourRow(const Input& in, Interpolation interpolation, int i, std::uint32_t* out);

}  // namespace velta::rectify

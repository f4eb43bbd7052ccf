#pragma once
// The colour road's rectification: the same construction and source point for every output
// pixel as the plain road, and the same sampling window (the calculation area, on the unrounded
// point, ends included; pixels outside it are black). Inside the window the source is read with
// the plain road's offsets: the value of 0-based pixel (c, r) stands at (c + 1.5, r + 0.5), so
// nearest is the plain road's truncation and bilinear and bicubic (Keys, a = -0.5) interpolate
// between those centres, clamping at the picture's edges.
//
// The fast rectifier computes each row in short runs of pixels: first, for the whole run, the
// source points (the reference's operations in double, several at a time), their window test
// and the sample positions and weights; then the samples, one pixel at a time, in single
// precision. All its kernels give the same bits; nearest equals the reference exactly, bilinear
// and bicubic differ from it by rounding only (at most 1 in a channel, and rarely).

#include <cstdint>
#include <vector>

#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "state/state.h"

namespace velta::rectify {

/// Number of columns W of a colour rectification: Int(rectWidth), limited to 32767 and to the
/// columns the mark table holds; 0 when it is not a usable count.
[[nodiscard]] int colourColumnCount(const geom::Orientation& f);

class ColourRectifier {
public:
    /// Precomputes the row and column lines of the rectification `in`, whose image holds a
    /// colour picture (which must outlive the rectifier). `kernel` chooses the instruction set
    /// as for the plain road's Rectifier; one the processor lacks falls back to a narrower one.
    ColourRectifier(const Input& in, Interpolation interpolation, Kernel kernel = Kernel::automatic);

    [[nodiscard]] int width() const { return g_.width; }
    [[nodiscard]] int height() const { return g_.height; }

    /// The kernel actually used.
    [[nodiscard]] Kernel kernel() const { return kernel_; }

    /// Computes output row i (row mark 1..H) into width() pixels 0xFFRRGGBB, mirrored as the
    /// plain road's rows are.
    void computeRow(int i, std::uint32_t* out) const;

private:
    const SourceImage* image_;
    Interpolation interpolation_;
    Kernel kernel_;
    RowSetup g_;   // size, V, window and line tables
};

/// Output row i straight from the construction, pixel by pixel, weights and sums in double,
/// rounded half away from zero and clamped to 0..255: the measure of the fast kernels.
void referenceColourRow(const Input& in, Interpolation interpolation, int i, std::uint32_t* out);

}  // namespace velta::rectify

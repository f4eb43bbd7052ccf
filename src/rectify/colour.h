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

    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }

    /// The kernel actually used.
    [[nodiscard]] Kernel kernel() const { return kernel_; }

    /// Computes output row i (row mark 1..H) into width() pixels 0xFFRRGGBB, mirrored as the
    /// plain road's rows are.
    void computeRow(int i, std::uint32_t* out) const;

private:
    const SourceImage* image_;
    Interpolation interpolation_;
    Kernel kernel_;
    int width_ = 0;
    int height_ = 0;
    double fuvx_ = 0, fuvy_ = 0;
    double xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
    // Per output position p (0-based, mirroring applied), padded with NaN to whole blocks: the
    // slope S of the column's source line and S * fuvx - fuvy; NaN for a column without a
    // finite construction, which no pixel then passes.
    std::vector<double> colSlope_;
    std::vector<double> colBase_;
    // Per row mark i = 0..H: the source line of the row.
    std::vector<RowLine> rows_;
};

/// Output row i straight from the construction, pixel by pixel, weights and sums in double,
/// rounded half away from zero and clamped to 0..255: the measure of the fast kernels.
void referenceColourRow(const Input& in, Interpolation interpolation, int i, std::uint32_t* out);

}  // namespace velta::rectify

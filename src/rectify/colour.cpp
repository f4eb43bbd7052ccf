#include "rectify/colour.h"

#include "rectify/row_order.h"

namespace velta::rectify {

ColourRectifier::ColourRectifier(const Input& in, Interpolation)
    : width_(columnCount(in.frame)), height_(rowCount(in.frame)) {}

void ColourRectifier::computeRow(int, std::uint32_t* out) const {
    for (int p = 0; p < width_; ++p) out[p] = 0xFF000000u;
}

void referenceColourRow(const Input& in, Interpolation, int, std::uint32_t* out) {
    for (int p = 0; p < columnCount(in.frame); ++p) out[p] = 0xFF000000u;
}

}  // namespace velta::rectify

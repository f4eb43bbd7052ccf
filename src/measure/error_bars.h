#pragma once
// How far the figures measured on a rectified image can be trusted, from the clicks alone. Every
// click is rounded to a whole pixel, so each of its coordinates may be off by half a pixel. Each
// coordinate in turn is moved by +0.5 px and the effect on a measured length is taken to first
// order; the bar is the sum of the absolute effects (the worst case).
//
// A line click moves the vanishing points and so the whole construction (the centre, the area and
// the step stay): the pair's ends are taken to the source picture with the construction as it
// stands and brought back with the moved one (the inverse construction: the line through H and the
// point, its foot on the vertical edge, the ray from pv to the vertical measuring line; likewise
// for the column), and the change of the pair's length relative to the reference pair's is its
// effect. A click of the pair itself, or of the reference pair, changes that pair's own length.
//
// A line snapped to the edge it was drawn along is known better than its clicks: instead of its
// clicks' half pixels, it is moved by the standard errors of its fit, once across itself and once
// turned about the fit's centre, and those two effects join the sum.
//
// Where half a pixel on one line click leaves no construction at all (the moved lines no longer
// meet, or the orientation refuses them), nothing measured is determined: every bar but the
// reference pair's, and the aspect bar, are infinite and poorlyDetermined is set. A pair of no
// length has an infinite bar (no relative change is defined), and so has every pair when the
// reference pair has no length.
//
// Rectified pixels and marks: pixel column u shows column mark u + 1, or W - u when the columns
// run mirrored (colSign -1); the rows are written bottom row first in the order of their
// computation, so pixel row v shows row mark v + 1 when V lies below H and H - v otherwise
// (W, H the size of the rectified picture). A whole pixel sits exactly on its mark, and a point
// between marks is placed in proportion along the measuring line.

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "geometry/orientation.h"

namespace velta::measure {

/// A pair of points on the rectified image, in rectified pixels.
struct Pair {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

/// A line fitted to an edge: the point of the fit over its positions' mean place and the
/// standard errors of the line across itself there (pixels) and of its direction (radians).
struct FittedLine {
    double centreX = 0, centreY = 0;
    double sigmaOffset = 0, sigmaAngle = 0;
};

/// fits[n]: the fit of line n = 1..4, for the lines snapped to an edge.
using LineFits = std::array<std::optional<FittedLine>, 5>;

/// The bars of one rectified image.
struct ErrorBars {
    std::vector<double> pairs;   // per pair: the relative bar of its length (0.012 = 1.2 %); the
                                 // reference pair's own entry is 0 (its length is the scale's)
    double aspect = 0;           // the same bar for the frame's aspect ratio (width / height),
                                 // taken before the size is rounded to whole pixels
    bool poorlyDetermined = false;   // half a pixel on one line click moves the principal
                                     // distance by more than 5 %
};

/// Computes the bars for `pairs` measured on the rectification made from the eight line clicks
/// `lineEnds` (lineEnds[n][1..4] = x1, y1, x2, y2 of line n = 1..4) and `construction` (its
/// centre, area, image size, step and column table, with the vanishing points it was built
/// from); `reference` indexes the reference pair; `fits` holds the lines snapped to an edge.
/// Nothing when the construction cannot be made again from the clicks as they stand.
std::optional<ErrorBars> errorBars(const double (&lineEnds)[6][6], const geom::OrientationInput& construction,
                                   const std::vector<Pair>& pairs, std::size_t reference, const LineFits& fits = {});

/// The rectified point (column, row, in rectified pixels) of source point (x, y) under the
/// construction `f` with vanishing points `vp`, continuous (not rounded to marks); nothing
/// where the construction does not reach it. The inverse of the per-pixel map.
std::optional<geom::Point> rectifiedPointOf(const geom::Orientation& f, const geom::VanishingPoints& vp, double x,
                                            double y);

/// The source point of rectified point (column u, row v), continuous: the forward map with the
/// marks placed at real positions along the measuring lines.
std::optional<geom::Point> sourcePointOf(const geom::Orientation& f, const geom::VanishingPoints& vp, double u,
                                         double v);

}  // namespace velta::measure

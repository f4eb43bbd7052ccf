#pragma once
// The orientation of the photograph, by plane construction on the picture: from the image
// centre C and the vanishing points H (horizontal pair) and V (vertical pair) it finds the
// principal vertical (line V-C), the horizon (through H, perpendicular to it), the principal
// distance, the two measuring points, and then the frame of the rectified image: the region,
// its reference corner, the origin O, the far ends of the two measuring lines through O, the
// size of the rectified image and the row and column marks on the measuring lines.
//
// The computation is pure: it returns every point the drawing of the construction needs, or
// nothing when the geometry is degenerate (see orient()). It never divides its way into a
// value that is not finite without refusing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/frame.h"
#include "geometry/lines.h"

namespace velta::geom {

/// Largest output column the mark tables hold: colPoints has at most 3000 + 1 rows (0..3000),
/// as wide as a row record; a wider frame keeps its rectWidth but no marks beyond column 3000.
inline constexpr std::size_t maxColumnMarks = 3000;

/// Largest output column the mark tables hold for a colour picture, whose rows are not records:
/// as many as the rows.
inline constexpr std::size_t maxColourColumnMarks = 32767;

/// Largest output row the mark tables hold: rowPoints has at most 32767 + 1 rows (0..32767),
/// the most rows a 16-bit row counter can write; a taller frame keeps its rectHeight.
inline constexpr std::size_t maxRowMarks = 32767;

/// Largest ratio |dx| / |dy| at which two points count as lying on one vertical.
inline constexpr double nearlyVertical = 1e-6;

/// What the orientation reads: the centre, the vanishing points, the region and the output step.
struct OrientationInput {
    double centreX = 0, centreY = 0;           // C
    double fuox = 0, fuoy = 0;                 // H
    double fuvx = 0, fuvy = 0;                 // V
    std::int16_t areaStarts = 0;               // 0: the region is the image less a 1-pixel border
    double areaXmin = 0, areaYmin = 0;         // calculation area corner 1
    double areaXmax = 0, areaYmax = 0;         // calculation area corner 3
    double imageWidth = 0, imageHeight = 0;    // W, H of the source image
    double pixelStep = 1.0;                    // source pixels per output pixel
    std::size_t columnMarks = maxColumnMarks;  // largest output column the table holds
};

/// Layout case 1..4 of the point (X, Y) against the x of V and the y of H; the four tests are
/// non-strict and made in a fixed order, so on a tie the last test that holds wins.
/// Returns 0 only when no test holds (a coordinate that is not a number).
int layoutCase(double X, double Y, double fuox, double fuoy, double fuvx, double fuvy);

/// Two lines whose angle has a sine at or below this are not intersected by their slopes: the
/// meeting point would be lost in rounding, or have no value when the lines coincide.
inline constexpr double nearlyParallel = 1e-6;

/// True when the lines with slopes s1 and s2 are parallel to within nearlyParallel; false when
/// the angle has no value (a slope that is not a number, or two infinite slopes).
bool nearlyParallelSlopes(double s1, double s2);

/// The measuring-point construction run backwards from a mark, where it degenerates. The edge
/// runs from the vanishing point x through the origin o with slope edgeSlope; the measuring
/// point m lies on a line through x, and the measuring line runs through o parallel to x-m.
/// The ray from m through the mark a on the measuring line, of slope raySlope, cuts the edge.
///
/// When the edge lies along x-m (o on the principal vertical, or on the horizon), the ray runs
/// along the edge too and their meeting point is lost in rounding. In that case, recognised by
/// the ray and the line x-m both being parallel to the edge to within nearlyParallel, the cut
/// is returned, found from the mark's place on the measuring line: with a = o + k*(x - m), the
/// ray's point m + (a - m)/(1 + k) lies on the edge, at x + (o - x)/(1 + k) (not finite for
/// k = -1). Otherwise nothing is returned and the caller intersects the ray with the edge; a
/// ray parallel to an edge that does not run through m has no cut at all.
std::optional<Point> footAlongEdge(Point x, Point m, Point o, Point a, double raySlope, double edgeSlope);

/// Reasons orient() gives for refusing. The first three come from where the centre lies against
/// the vanishing points; moving the centre by a pixel lifts them.
namespace refusal {
inline constexpr char centreAndVOnOneVertical[] = "centre and V on one vertical";
inline constexpr char vOnCentresHorizontal[] = "V on the horizontal through the centre";
inline constexpr char centreAndHOnOneVertical[] = "centre and H on one vertical";
inline constexpr char inputNotFinite[] = "input not finite";
inline constexpr char stepNotPositive[] = "output step not positive";
inline constexpr char horizonFootNotFinite[] = "horizon foot not finite";
inline constexpr char centreOutsideCircle[] = "centre outside the distance circle";
inline constexpr char rabattedEyeNotFinite[] = "rabatted eye not finite";
inline constexpr char verticalMissesCircle[] = "principal vertical misses the circle about V";
inline constexpr char verticalPointNotFinite[] = "vertical measuring point not finite";
inline constexpr char horizonMissesCircle[] = "horizon misses the circle about H";
inline constexpr char horizontalPointNotFinite[] = "horizontal measuring point not finite";
inline constexpr char oppositeCornerOutOfRange[] = "opposite corner outside the 16-bit range";
inline constexpr char cornerNotClassified[] = "corner not classified";
inline constexpr char originNotFinite[] = "origin not finite";
inline constexpr char farEndNotFinite[] = "far end of a measuring line not finite";
inline constexpr char sizeNotFinite[] = "output size not finite";
}  // namespace refusal

/// True when the reason orient() gave comes from the centre's position alone (C and V, or C
/// and H, on one vertical or one horizontal), so that moving the centre may help; false for
/// every other reason.
bool refusedForCentre(std::string_view why);

/// Runs the whole construction. Returns nothing when the geometry is degenerate: an input or
/// a result that is not finite, a non-positive output step, C and V (or C and H) on one
/// vertical or nearly so (|dx| <= nearlyVertical * |dy|), V on the horizontal through C,
/// parallel lines in an intersection, a line that misses its circle, or an opposite corner
/// outside the 16-bit range. whyDegenerate, when given, then receives a short reason.
std::optional<Orientation> orient(const OrientationInput& in, std::string* whyDegenerate = nullptr);

}  // namespace velta::geom

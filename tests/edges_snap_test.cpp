// Snapping a marked line to the edge it was drawn along: on the synthetic camera's façade, and
// on segments that must keep their clicks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "edges/snap.h"
#include "sample/colour.h"
#include "testutils.h"

using namespace velta;

namespace {

// A picture's grey levels held as numbers.
class Levels final : public edges::GreyImage {
public:
    Levels(int width, int height) : GreyImage(width, height), v_(static_cast<std::size_t>(width * height)) {}
    float at(int x, int y) const override { return v_[index(x, y)]; }
    float& operator()(int x, int y) { return v_[index(x, y)]; }

private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y * width() + x); }
    std::vector<float> v_;
};

// The rms distance of the segment (a, b) from the line through p and q, over the segment's length.
double rmsDistance(geom::Point a, geom::Point b, geom::Point p, geom::Point q) {
    const double len = std::hypot(q.x - p.x, q.y - p.y);
    const double nx = -(q.y - p.y) / len, ny = (q.x - p.x) / len;
    const double da = (a.x - p.x) * nx + (a.y - p.y) * ny, db = (b.x - p.x) * nx + (b.y - p.y) * ny;
    return std::sqrt((da * da + da * db + db * db) / 3);   // the mean of the square of a linear function
}

}  // namespace

TEST(SnapLine, findsTheFacadeEdgesWithinATenthOfAPixelWhereverTheClicksFall) {
    struct Edge {
        double u0, v0, u1, v1;
    };
    // The façade's outline and the top of the string course. The side edges stand against a sky
    // lighter than the wall near the horizon and darker above: their change of grey turns sign
    // along their length.
    const Edge edges[] = {{0, 14, 24, 14}, {0, 0, 24, 0}, {0, 0, 0, 14}, {24, 0, 24, 14}, {0, 3.9, 24, 3.9}};
    for (const auto& [width, height] : {std::pair{1200, 800}, std::pair{3000, 2000}}) {
        const sample::Camera cam = sample::colourCamera(width, height);
        Picture picture = sample::renderColourFacade(cam);
        velta::testing::addNoise(picture, 4, 12345);
        const edges::PictureGrey grey(picture);
        int lines = 0;
        for (const Edge& e : edges) {
            const geom::Point p = velta::testing::imageOf(cam, e.u0, e.v0), q = velta::testing::imageOf(cam, e.u1, e.v1);
            const double len = std::hypot(q.x - p.x, q.y - p.y);
            const double nx = -(q.y - p.y) / len, ny = (q.x - p.x) / len;
            // The clicks land on pixels up to two pixels to either side of the edge (a click reads
            // the pixel's corner, half a pixel before its centre).
            for (const double off1 : {-1.5, -0.6, 0.0, 1.3, 2.0})
                for (const double off2 : {-1.5, 0.4, 2.0}) {
                    const double x1 = std::floor(p.x + off1 * nx), y1 = std::floor(p.y + off1 * ny);
                    const double x2 = std::floor(q.x + off2 * nx), y2 = std::floor(q.y + off2 * ny);
                    const edges::Snap s = edges::snapLine(grey, x1, y1, x2, y2);
                    SCOPED_TRACE(::testing::Message() << width << " px, edge " << e.u0 << "," << e.v0 << " - " << e.u1
                                                    << "," << e.v1 << ", clicks off by " << off1 << ", " << off2);
                    ASSERT_TRUE(s.snapped);
                    EXPECT_LT(rmsDistance({s.x1, s.y1}, {s.x2, s.y2}, p, q), 0.1);
                    EXPECT_LT(s.rms, 0.7);
                    EXPECT_GT(s.sigmaOffset, 0);
                    EXPECT_GT(s.sigmaAngle, 0);
                    // The ends are the clicks brought onto the line: they stay where the clicks were along it.
                    EXPECT_NEAR((s.x1 - x1) * (q.x - p.x) + (s.y1 - y1) * (q.y - p.y), 0, 2.5 * len * 1e-3 * len);
                    ++lines;
                }
        }
        EXPECT_EQ(lines, 5 * 15);
    }
}

TEST(SnapLine, aSegmentAlongNoEdgeOrAlongEdgesOfOppositeSignKeepsItsClicks) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 3);
    Levels flat(300, 200), stripe(300, 200), turning(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            flat(x, y) = static_cast<float>(120 + noise(rng));
            // A dark stripe of three pixels on light wall: an edge of either sign on every profile.
            stripe(x, y) = static_cast<float>((y >= 99 && y <= 101 ? 40 : 200) + noise(rng));
            // One straight edge, y = 100, dark over light on the left half and
            // light over dark on the right.
            turning(x, y) = static_cast<float>(((x < 150) == (y < 100) ? 40 : 200) + noise(rng));
        }
    const edges::Snap one = edges::snapLine(turning, 20, 100, 280, 101);
    EXPECT_TRUE(one.snapped);
    EXPECT_NEAR(one.y1, 100, 0.05);
    EXPECT_NEAR(one.y2, 100, 0.05);
    for (const Levels* picture : {&flat, &stripe}) {
        const edges::Snap s = edges::snapLine(*picture, 20, 100, 280, 101);
        EXPECT_FALSE(s.snapped);
        EXPECT_EQ(s.x1, 20);
        EXPECT_EQ(s.y1, 100);
        EXPECT_EQ(s.x2, 280);
        EXPECT_EQ(s.y2, 101);
    }
    // Too short to fit: fewer than ten steps.
    EXPECT_FALSE(edges::snapLine(turning, 20, 100, 28, 100).snapped);
    // A segment of no length, or along the picture's rim.
    EXPECT_FALSE(edges::snapLine(turning, 50, 50, 50, 50).snapped);
    EXPECT_FALSE(edges::snapLine(turning, 0, 0, 299, 0).snapped);
}

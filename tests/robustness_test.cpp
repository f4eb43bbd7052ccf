// Randomised robustness of the perspective construction: thousands of random line sets, centres,
// calculation areas and output steps, fed to the pure functions and, through the command handlers,
// to the program on a recording window. Every outcome must be a refusal the user is told about,
// or finite values throughout the working state; every run must end; a rectification must leave
// a complete working file.
//
// Each iteration draws from its own generator, seeded from kSeed, the test's salt and the
// iteration number; a failure names all three, and VELTA_ROBUSTNESS_ITERATION=<n> replays
// iteration n alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "bitmap/reader.h"
#include "bitmap/writer.h"
#include "geometry/grid.h"
#include "geometry/orientation.h"
#include "geometry/vanishing.h"
#include "input/app.h"
#include "input/handlers.h"
#include "rectify/rectifier.h"
#include "rectify/reference.h"
#include "rectify/row_order.h"
#include "state/state.h"
#include "testutils.h"
#include "ui/recording_window.h"

namespace velta {
namespace {

constexpr std::uint64_t kSeed = 0x56454C5441333030;   // "VELTA300"
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- random source ------------------------------------------------------------------------------

// The sanitizers make every allocation and page fault dearer: their build runs half the iterations.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::uint64_t sanitizerSlowdown = 2;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::uint64_t sanitizerSlowdown = 2;
#else
constexpr std::uint64_t sanitizerSlowdown = 1;
#endif
#else
constexpr std::uint64_t sanitizerSlowdown = 1;
#endif

/// The iterations of one test: 0 .. n - 1, or only the one named in VELTA_ROBUSTNESS_ITERATION.
struct Iterations {
    std::uint64_t first = 0, last = 0;
    std::uint64_t n = 0;    // iterations of the whole run
    bool whole = false;     // the whole run: the tallies can be held against n

    /// A tally that a whole run must exceed: `fraction` of its iterations.
    long atLeast(double fraction) const { return static_cast<long>(fraction * static_cast<double>(n)); }
};

Iterations iterations(std::uint64_t count) {
    const std::uint64_t n = count / sanitizerSlowdown;
    if (const char* only = std::getenv("VELTA_ROBUSTNESS_ITERATION")) {
        const std::uint64_t k = std::strtoull(only, nullptr, 10);
        return {k, k + 1, n, false};
    }
    return {0, n, n, true};
}

std::string trace(std::uint64_t salt, std::uint64_t iteration) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "seed 0x%016llx, salt %llu, iteration %llu (VELTA_ROBUSTNESS_ITERATION=%llu)",
                  static_cast<unsigned long long>(kSeed), static_cast<unsigned long long>(salt),
                  static_cast<unsigned long long>(iteration), static_cast<unsigned long long>(iteration));
    return buf;
}

class Dice {
public:
    Dice(std::uint64_t salt, std::uint64_t iteration)
        : gen_(kSeed ^ (salt << 56) ^ (iteration * 0x9E3779B97F4A7C15ULL)) {}

    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen_); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(gen_); }
    double sign() { return chance(0.5) ? 1.0 : -1.0; }
    double logUniform(double lo, double hi) { return std::exp(uniform(std::log(lo), std::log(hi))); }
    double whole(double lo, double hi) { return std::floor(uniform(lo, hi)); }
    double enormous() { return sign() * logUniform(1e6, 1e15); }
    double tiny() { return sign() * logUniform(1e-300, 1e-5); }

    /// A value from the far corners of the number line, or an ordinary one now and then.
    double extreme() {
        switch (integer(0, 11)) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return enormous();
        case 3: return tiny();
        case 4: return sign() * std::numeric_limits<double>::max() / logUniform(1, 1e10);
        case 5: return sign() * std::numeric_limits<double>::denorm_min() * static_cast<double>(integer(1, 1000));
        case 6: return kNaN;
        case 7: return sign() * kInf;
        case 8: return sign() * logUniform(1e15, 1e300);
        default: return uniform(-2000, 2000);
        }
    }

    /// Uniform in [lo, hi], or with probability pExtreme an extreme value.
    double mostly(double lo, double hi, double pExtreme) { return chance(pExtreme) ? extreme() : uniform(lo, hi); }

private:
    std::mt19937_64 gen_;
};

// ---- what every construction must satisfy ---------------------------------------------------------

struct Named {
    const char* name;
    double value;
};

void expectFinite(std::initializer_list<Named> values) {
    for (const Named& v : values) EXPECT_TRUE(std::isfinite(v.value)) << v.name << " = " << v.value;
}

/// A size of the rectified image: a whole number, not negative.
void expectSize(double v, const char* name) {
    EXPECT_TRUE(std::isfinite(v) && v >= 0 && std::floor(v) == v) << name << " = " << v;
}

/// A mark table for a frame of `size`: min(size, cap) + 1 rows, all finite, row 0 and columns 0, 1 zero.
void expectMarks(const std::vector<MarkRow>& table, double size, std::size_t cap, const char* name) {
    const std::size_t rows = static_cast<std::size_t>(std::min(size, static_cast<double>(cap))) + 1;
    ASSERT_EQ(table.size(), rows) << name << " for a size of " << size;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const MarkRow& m = table[i];
        const bool rowZeroEmpty = i != 0 || (m[2] == 0 && m[3] == 0);
        if (!std::isfinite(m[2]) || !std::isfinite(m[3]) || m[0] != 0 || m[1] != 0 || !rowZeroEmpty) {
            ADD_FAILURE() << name << "[" << i << "] = " << m[0] << ", " << m[1] << ", " << m[2] << ", " << m[3];
            return;
        }
    }
}

void expectSign(int v, const char* name) { EXPECT_TRUE(v == -1 || v == 0 || v == 1) << name << " = " << v; }

void expectFiniteOrientation(const geom::Orientation& o) {
    expectFinite({{"axisSlope", o.axisSlope},
                  {"horizonSlope", o.horizonSlope},
                  {"horizonFoot.x", o.horizonFoot.x},
                  {"horizonFoot.y", o.horizonFoot.y},
                  {"circleCentre.x", o.circleCentre.x},
                  {"circleCentre.y", o.circleCentre.y},
                  {"circleRadius", o.circleRadius},
                  {"rabattedEyeV.x", o.rabattedEyeV.x},
                  {"rabattedEyeV.y", o.rabattedEyeV.y},
                  {"principalDistance", o.principalDistance},
                  {"eyeToV", o.eyeToV},
                  {"pvx", o.pvx},
                  {"pvy", o.pvy},
                  {"rabattedEyeH.x", o.rabattedEyeH.x},
                  {"rabattedEyeH.y", o.rabattedEyeH.y},
                  {"eyeToH", o.eyeToH},
                  {"pox", o.pox},
                  {"poy", o.poy},
                  {"refCornerX", o.refCornerX},
                  {"refCornerY", o.refCornerY},
                  {"oppCornerX", o.oppCornerX},
                  {"vertEdgeSlope", o.vertEdgeSlope},
                  {"horizEdgeSlope", o.horizEdgeSlope},
                  {"originX", o.originX},
                  {"originY", o.originY},
                  {"maxax", o.maxax},
                  {"maxay", o.maxay},
                  {"maxbx", o.maxbx},
                  {"maxby", o.maxby}});
    EXPECT_TRUE(o.cornerCase >= 1 && o.cornerCase <= 4) << o.cornerCase;
    EXPECT_TRUE(o.farCase >= 1 && o.farCase <= 4) << o.farCase;
    expectSign(o.rowSign, "rowSign");
    expectSign(o.colSign, "colSign");
    expectSize(o.rectWidth, "rectWidth");
    expectSize(o.rectHeight, "rectHeight");
    expectMarks(o.rowPoints, o.rectHeight, geom::maxRowMarks, "rowPoints");
    expectMarks(o.colPoints, o.rectWidth, geom::maxColumnMarks, "colPoints");
}

/// The construction as it stands in the working state.
void expectFiniteConstruction(const State& s) {
    expectFinite({{"fuox", s.fuox},
                  {"fuoy", s.fuoy},
                  {"fuvx", s.fuvx},
                  {"fuvy", s.fuvy},
                  {"centreX", s.centreX},
                  {"centreY", s.centreY},
                  {"axisSlope", s.frame.axisSlope},
                  {"horizonSlope", s.frame.horizonSlope},
                  {"principalDistance", s.frame.principalDistance},
                  {"eyeToH", s.frame.eyeToH},
                  {"pox", s.frame.pox},
                  {"poy", s.frame.poy},
                  {"pvx", s.frame.pvx},
                  {"pvy", s.frame.pvy},
                  {"refCornerX", s.frame.refCornerX},
                  {"refCornerY", s.frame.refCornerY},
                  {"oppCornerX", s.frame.oppCornerX},
                  {"maxax", s.frame.maxax},
                  {"maxay", s.frame.maxay},
                  {"maxbx", s.frame.maxbx},
                  {"maxby", s.frame.maxby},
                  {"originX", s.frame.originX},
                  {"originY", s.frame.originY},
                  {"vertEdgeSlope", s.frame.vertEdgeSlope},
                  {"horizEdgeSlope", s.frame.horizEdgeSlope}});
    EXPECT_TRUE(s.frame.cornerCase >= 1 && s.frame.cornerCase <= 4) << s.frame.cornerCase;
    expectSign(s.frame.rowSign, "rowSign");
    expectSign(s.frame.colSign, "colSign");
    expectSize(s.frame.rectWidth, "rectWidth");
    expectSize(s.frame.rectHeight, "rectHeight");
    expectMarks(s.frame.rowPoints, s.frame.rectHeight, geom::maxRowMarks, "rowPoints");
    expectMarks(s.frame.colPoints, s.frame.rectWidth, geom::maxColumnMarks, "colPoints");
}

// ---- random inputs of the orientation -------------------------------------------------------------

/// How far the inputs of a construction may stray.
enum class Inputs {
    plain,   // a centre inside the picture, areas about it, steps of the spin button
    wild     // also degenerate centres, areas far beyond the picture, any step, extreme fields
};

/// A picture of w x h with its centre, H to one side and V above or below, at distances from
/// a little outside the picture to very far; an area inside or across the picture.
/// Wild inputs also put the centre on a vanishing point's vertical or horizontal, make the area
/// empty, far away or far larger than the picture, take steps far outside 1.0 .. 1.9, and now
/// and then make a field extreme.
geom::OrientationInput randomOrientationInput(Dice& d, double w, double h, Inputs kind) {
    const bool wild = kind == Inputs::wild;
    geom::OrientationInput in;
    in.imageWidth = w;
    in.imageHeight = h;
    if (d.chance(0.7)) {
        in.centreX = w / 2;
        in.centreY = h / 2;
    } else {
        in.centreX = d.whole(0, w);
        in.centreY = d.whole(0, h);
    }
    in.fuox = in.centreX + d.sign() * w * d.logUniform(0.05, 1e5);
    in.fuoy = in.centreY + d.uniform(-h, h) * d.logUniform(0.01, 10);
    in.fuvx = in.centreX + d.uniform(-w, w) * d.logUniform(0.01, 10);
    in.fuvy = in.centreY + d.sign() * h * d.logUniform(0.05, 1e5);
    if (d.chance(0.1)) std::swap(in.fuox, in.fuvx), std::swap(in.fuoy, in.fuvy);

    if (wild) {
        switch (d.integer(0, 9)) {
        case 0: in.centreX = in.fuvx; break;                 // on V's vertical
        case 1: in.centreX = in.fuox; break;                 // on H's vertical
        case 2: in.fuvy = in.centreY; break;                 // V on the centre's horizontal
        case 3: in.fuoy = in.centreY; break;
        case 4: in.centreX = std::nextafter(in.fuvx, kInf); break;
        case 5: in.fuvx = in.centreX, in.fuvy = in.centreY; break;   // V on the centre
        default: break;
        }
    }

    in.areaStarts = static_cast<std::int16_t>(d.chance(0.3) ? 0 : d.integer(1, 5));
    double x1 = d.whole(-0.2 * w, 1.2 * w), x2 = d.whole(-0.2 * w, 1.2 * w);
    double y1 = d.whole(-0.2 * h, 1.2 * h), y2 = d.whole(-0.2 * h, 1.2 * h);
    if (wild) {
        switch (d.integer(0, 9)) {
        case 0: x2 = x1, y2 = y1; break;                                 // zero size
        case 1: x2 = x1; break;                                          // zero width
        case 2: x1 = -d.logUniform(1, 1e15), x2 = d.logUniform(1, 1e15); // larger than the picture
                y1 = -d.logUniform(1, 1e15), y2 = d.logUniform(1, 1e15); break;
        case 3: x1 = d.enormous(), x2 = x1 + d.logUniform(1, 1e6); break;   // far outside
        case 4: y1 = 40000, y2 = 40001; break;                           // beyond 16 bits
        default: break;
        }
    }
    in.areaXmin = std::min(x1, x2);
    in.areaXmax = std::max(x1, x2);
    in.areaYmin = std::min(y1, y2);
    in.areaYmax = std::max(y1, y2);

    in.pixelStep = 1.0 + 0.1 * d.integer(0, 9);
    if (wild) {
        switch (d.integer(0, 9)) {
        case 0: in.pixelStep = d.logUniform(1e-300, 1); break;
        case 1: in.pixelStep = d.logUniform(1, 1e300); break;
        case 2: in.pixelStep = d.chance(0.5) ? 0.0 : -d.logUniform(1e-3, 10); break;
        default: break;
        }
    }

    if (wild && d.chance(0.25)) {
        double* fields[] = {&in.centreX, &in.centreY, &in.fuox,     &in.fuoy,     &in.fuvx,        &in.fuvy,
                            &in.areaXmin, &in.areaYmin, &in.areaXmax, &in.areaYmax, &in.imageWidth, &in.imageHeight,
                            &in.pixelStep};
        for (int k = d.integer(1, 3); k > 0; --k) *fields[d.integer(0, 12)] = d.extreme();
    }
    return in;
}

bool allFinite(const geom::OrientationInput& in) {
    return geom::allFinite({in.centreX, in.centreY, in.fuox, in.fuoy, in.fuvx, in.fuvy, in.areaXmin, in.areaYmin,
                            in.areaXmax, in.areaYmax, in.imageWidth, in.imageHeight, in.pixelStep});
}

/// The working state of a construction, as the orientation command stores it.
State stateOf(const geom::OrientationInput& in, const geom::Orientation& o) {
    State s;
    s.centreX = in.centreX, s.centreY = in.centreY;
    s.fuox = in.fuox, s.fuoy = in.fuoy, s.fuvx = in.fuvx, s.fuvy = in.fuvy;
    s.pixelStep = in.pixelStep;
    s.frame = o;
    const double x1 = in.areaXmin, y1 = in.areaYmin, x2 = in.areaXmax, y2 = in.areaYmax;
    s.areaCorners[1][1] = x1, s.areaCorners[1][2] = y1;
    s.areaCorners[2][1] = x1, s.areaCorners[2][2] = y2;
    s.areaCorners[3][1] = x2, s.areaCorners[3][2] = y2;
    s.areaCorners[4][1] = x2, s.areaCorners[4][2] = y1;
    s.constructionValid = true;
    return s;
}

/// A construction that stands on a picture of w x h, from plain inputs (the first of a few tries
/// that works).
std::optional<std::pair<geom::OrientationInput, geom::Orientation>> someConstruction(Dice& d, double w, double h) {
    for (int tries = 0; tries < 20; ++tries) {
        geom::OrientationInput in = randomOrientationInput(d, w, h, Inputs::plain);
        if (auto o = geom::orient(in)) return std::make_pair(in, std::move(*o));
    }
    return std::nullopt;
}

// ---- vanishing points -----------------------------------------------------------------------------

TEST(RobustnessVanishing, randomAndExtremeLineSetsGiveAMeetingPointOrAParallelPair) {
    constexpr std::uint64_t salt = 1;
    int meeting = 0, parallel = 0;
    const Iterations run = iterations(100000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        double ends[6][6] = {};
        const bool ordinary = d.chance(0.5);
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 4; ++k) ends[n][k] = ordinary ? d.whole(-2000, 2000) : d.mostly(-2000, 2000, 0.3);
        // Shapes the marking can produce: a pair translated (parallel), a vertical or zero-length
        // line, a pair one unit in the last place apart.
        const int pair = d.chance(0.5) ? 1 : 3;
        const int shape = d.integer(0, 6);
        switch (shape) {
        case 0: {
            const double tx = d.whole(-500, 500), ty = d.whole(-500, 500);
            ends[pair + 1][1] = ends[pair][1] + tx, ends[pair + 1][2] = ends[pair][2] + ty;
            ends[pair + 1][3] = ends[pair][3] + tx, ends[pair + 1][4] = ends[pair][4] + ty;
            break;
        }
        case 1: ends[pair][3] = ends[pair][1]; ends[pair + 1][3] = ends[pair + 1][1]; break;
        case 2: ends[d.integer(1, 4)][3] = ends[d.integer(1, 4)][1]; break;
        case 3: {
            const int n = d.integer(1, 4);
            ends[n][3] = ends[n][1], ends[n][4] = ends[n][2];
            break;
        }
        case 4:
            for (int k = 1; k <= 4; ++k) ends[pair + 1][k] = ends[pair][k];
            ends[pair + 1][4] = std::nextafter(ends[pair + 1][4], kInf);
            break;
        default: break;
        }
        const bool ordinaryShape = ordinary && shape != 4;

        const geom::VanishingResult v = geom::vanishingPoints(ends);
        for (int n = 1; n <= 4; ++n)
            if (ends[n][3] - ends[n][1] == 0) {
                EXPECT_EQ(v.slopes[n], geom::verticalSlope) << "line " << n;
            }
        if (ordinary && (shape == 0 || shape == 1)) {   // translated, or both vertical: parallel
            EXPECT_FALSE(pair == 1 ? v.horizontalPairMeets : v.verticalPairMeets);
        }
        if (!v.bothMeet()) {
            ++parallel;
            EXPECT_TRUE(v.fuox == 0 && v.fuoy == 0 && v.fuvx == 0 && v.fuvy == 0);
            continue;
        }
        ++meeting;
        // On whole pixels with clearly different slopes each point lies on both lines of its pair.
        auto onLine = [&](double x, double y, int n) {
            const double s = v.slopes[n], x0 = ends[n][1], y0 = ends[n][2];
            const double scale = 1 + std::fabs(y) + std::fabs(y0) + std::fabs(s) * (std::fabs(x) + std::fabs(x0));
            return std::fabs(y - y0 - s * (x - x0)) <= 1e-9 * scale;
        };
        auto distinct = [&](int a, int b) {
            return std::fabs(v.slopes[a] - v.slopes[b]) > 1e-3 && std::fabs(v.slopes[a]) < 1e3 &&
                   std::fabs(v.slopes[b]) < 1e3;
        };
        if (ordinaryShape && distinct(1, 2)) {
            EXPECT_TRUE(onLine(v.fuox, v.fuoy, 1) && onLine(v.fuox, v.fuoy, 2)) << v.fuox << ", " << v.fuoy;
        }
        if (ordinaryShape && distinct(3, 4)) {
            EXPECT_TRUE(onLine(v.fuvx, v.fuvy, 3) && onLine(v.fuvx, v.fuvy, 4)) << v.fuvx << ", " << v.fuvy;
        }
    }
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(meeting, run.atLeast(0.2));
        EXPECT_GT(parallel, run.atLeast(0.1));
    }
}

// ---- orientation ------------------------------------------------------------------------------------

TEST(RobustnessOrientation, randomAndExtremeInputsGiveAFiniteFrameOrAReason) {
    constexpr std::uint64_t salt = 2;
    int built = 0, refused = 0, capped = 0;
    const Iterations run = iterations(20000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        const Inputs kind = d.chance(0.4) ? Inputs::plain : Inputs::wild;
        const geom::OrientationInput in = randomOrientationInput(d, d.whole(2, 3001), d.whole(2, 2001), kind);
        std::string why;
        const std::optional<geom::Orientation> o = geom::orient(in, &why);

        const bool centreOnVsVertical =
            std::fabs(in.centreX - in.fuvx) <= geom::nearlyVertical * std::fabs(in.centreY - in.fuvy);
        const bool mustRefuse = !allFinite(in) || !(in.pixelStep > 0) || centreOnVsVertical;
        if (mustRefuse) {
            EXPECT_FALSE(o.has_value()) << "accepted a degenerate input";
        }
        if (!o) {
            ++refused;
            EXPECT_FALSE(why.empty());
        } else {
            ++built;
            if (o->rectWidth > geom::maxColumnMarks || o->rectHeight > geom::maxRowMarks) ++capped;
            expectFiniteOrientation(*o);
            // The same input gives the same frame, bit for bit.
            if (it % 4 != 0) continue;
            const std::optional<geom::Orientation> again = geom::orient(in);
            ASSERT_TRUE(again.has_value());
            EXPECT_TRUE(again->originX == o->originX && again->originY == o->originY &&
                        again->rectWidth == o->rectWidth && again->rectHeight == o->rectHeight &&
                        again->rowPoints == o->rowPoints && again->colPoints == o->colPoints);
        }
    }
    std::printf("[ robustness ] %d frames, %d refused, %d beyond the mark tables\n", built, refused, capped);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(built, run.atLeast(0.2));
        EXPECT_GT(refused, run.atLeast(0.2));
        EXPECT_GT(capped, run.atLeast(0.03));
    }
}

// ---- grid ---------------------------------------------------------------------------------------------

/// Checks the segments of one grid against the tables and the area; returns how many there were.
std::size_t expectGridWithinBounds(const geom::Orientation& in, const geom::AreaCorners& c,
                                   const std::vector<geom::GridSegment>& segs) {
    auto linesOf = [](double size, std::size_t rows) -> std::size_t {
        // Lines 1, 51, 101, ... up to the size and below the table's row count.
        std::size_t n = 0;
        for (std::size_t i = 1; static_cast<double>(i) <= size && i < rows; i += geom::gridStep) ++n;
        return n;
    };
    const std::size_t columnLines = linesOf(in.rectWidth, in.colPoints.size());
    const std::size_t rowLines = linesOf(in.rectHeight, in.rowPoints.size());
    EXPECT_LE(segs.size(), columnLines + rowLines);
    bool rows = false;
    for (const geom::GridSegment& g : segs) {
        const std::span<const MarkRow> table = g.column ? in.colPoints : in.rowPoints;
        const double size = g.column ? in.rectWidth : in.rectHeight;
        if (!g.column) rows = true;
        const bool ok = !(g.column && rows) && g.index % geom::gridStep == 1 && g.index < table.size() &&
                        static_cast<double>(g.index) <= size &&
                        geom::allFinite({g.from.x, g.from.y, g.to.x, g.to.y});
        // Both ends lie within the area, ends included.
        auto inside = [&](geom::Point p) { return c[1].x <= p.x && p.x <= c[4].x && c[1].y <= p.y && p.y <= c[2].y; };
        if (!ok || !inside(g.from) || !inside(g.to)) {
            ADD_FAILURE() << (g.column ? "column " : "row ") << g.index << ": (" << g.from.x << ", " << g.from.y
                          << ") to (" << g.to.x << ", " << g.to.y << ")";
            break;
        }
    }
    return segs.size();
}

/// A row of a non-empty mark table.
std::size_t anyRow(Dice& d, const std::vector<MarkRow>& table) {
    return static_cast<std::size_t>(d.integer(0, static_cast<int>(table.size()) - 1));
}

TEST(RobustnessGrid, randomFramesGiveFiniteSegmentsInsideTheAreaWithinTheTables) {
    constexpr std::uint64_t salt = 3;
    std::size_t drawn = 0;
    const Iterations run = iterations(3000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        auto c = someConstruction(d, d.whole(2, 1001), d.whole(2, 1001));
        if (!c) continue;
        State s = stateOf(c->first, c->second);
        // Sizes beyond the tables, not a number or negative; marks and fields not finite.
        switch (d.integer(0, 9)) {
        case 0: s.frame.rectWidth = 1e9, s.frame.rectHeight = 1e9; break;
        case 1: s.frame.rectWidth = kInf, s.frame.rectHeight = d.logUniform(1e15, 1e300); break;
        case 2: s.frame.rectWidth = kNaN, s.frame.rectHeight = -d.logUniform(1, 1e6); break;
        case 3: s.frame.rowPoints.resize(static_cast<std::size_t>(d.integer(0, 3))); break;
        case 4: s.frame.colPoints.clear(); break;
        default: break;
        }
        if (d.chance(0.2) && !s.frame.colPoints.empty())
            for (int k = d.integer(1, 20); k > 0; --k)
                s.frame.colPoints[anyRow(d, s.frame.colPoints)][2] = d.extreme();
        if (d.chance(0.2)) {
            double* fields[] = {&s.frame.originX, &s.frame.originY, &s.frame.vertEdgeSlope, &s.frame.horizEdgeSlope, &s.frame.pox, &s.frame.poy,
                                &s.frame.pvx,     &s.frame.pvy,     &s.frame.refCornerX,    &s.frame.oppCornerX,     &s.fuox, &s.fuoy,
                                &s.fuvx,    &s.fuvy};
            for (int k = d.integer(1, 3); k > 0; --k) *fields[d.integer(0, 13)] = d.extreme();
        }
        const geom::AreaCorners area = calculationArea(s);
        drawn += expectGridWithinBounds(s.frame, area, geom::gridSegments(s.frame, vanishingPoints(s), area));
    }
    std::printf("[ robustness ] %zu grid segments\n", drawn);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(static_cast<long>(drawn), run.atLeast(10));
    }
}

TEST(RobustnessGrid, hugeFramesEndAtTheMarkTables) {
    // A frame a thousand million outputs wide and high, with full tables: the lines stop at
    // the tables' last rows, not at the size.
    geom::OrientationInput in;
    in.imageWidth = 3000, in.imageHeight = 2000;
    in.centreX = 1500, in.centreY = 1000;
    in.fuox = 9000, in.fuoy = 1100;
    in.fuvx = 1400, in.fuvy = -9000;
    in.areaStarts = 1;
    in.areaXmin = -1e5, in.areaYmin = -30000, in.areaXmax = 1e5, in.areaYmax = 30000;
    in.pixelStep = 1e-3;
    std::string why;
    const std::optional<geom::Orientation> o = geom::orient(in, &why);
    ASSERT_TRUE(o.has_value()) << why;
    ASSERT_GT(o->rectWidth, 1e6);
    ASSERT_GT(o->rectHeight, 1e6);
    State s = stateOf(in, *o);
    for (double size : {1e9, 1e15, 1e300, kInf}) {
        s.frame.rectWidth = s.frame.rectHeight = size;
        const geom::AreaCorners area = calculationArea(s);
        const std::vector<geom::GridSegment> segs = geom::gridSegments(s.frame, vanishingPoints(s), area);
        expectGridWithinBounds(s.frame, area, segs);
        EXPECT_GT(segs.size(), 600u);   // most lines of both tables cross the vast area
        EXPECT_LE(segs.size(), geom::maxColumnMarks / geom::gridStep + 1 + geom::maxRowMarks / geom::gridStep + 1);
    }
}

// ---- rectifier ------------------------------------------------------------------------------------

constexpr std::uint8_t poison = 255;   // bytes outside the picture: never a sample

/// A source picture of width x height with pixels 1..251 and poison everywhere else in its
/// records: past the width, and in `extraRows` records after the last row (or fewer records
/// than rows when negative).
void fillPicture(State& s, int width, int height, int extraRows) {
    s.image.fileWidth = width;
    s.image.fileHeight = static_cast<std::int16_t>(height);
    const int records = std::max(0, height + extraRows);
    s.image.sourceRows.assign(static_cast<std::size_t>(records), RowRecord{});
    for (int r = 0; r < records; ++r) {
        RowRecord& rec = s.image.sourceRows[static_cast<std::size_t>(r)];
        rec.fill(poison);
        if (r < height)
            for (int x = 0; x < width; ++x) rec[static_cast<std::size_t>(x)] = testing::rampPattern(x, r);
    }
}

const char* kernelName(rectify::Kernel k) {
    switch (k) {
    case rectify::Kernel::portable: return "portable";
    case rectify::Kernel::sse2: return "SSE2";
    case rectify::Kernel::avx2: return "AVX2";
    case rectify::Kernel::avx512: return "AVX512";
    case rectify::Kernel::automatic: break;
    }
    return "automatic";
}

/// One run per kernel the rectifier has; a kernel this build or this processor lacks is skipped
/// with a note, never quietly replaced by a narrower one.
class RobustnessRectifierKernel : public ::testing::TestWithParam<rectify::Kernel> {};

TEST_P(RobustnessRectifierKernel, equalsTheReferenceAndReadsOnlyThePicture) {
    const rectify::Kernel kernel = GetParam();
    if (!rectify::kernelAvailable(kernel))
        GTEST_SKIP() << "the " << kernelName(kernel)
                     << " rectifier kernel is not in this build or this processor lacks it";
    constexpr std::uint64_t salt = 4;
    long sampled = 0;
    const Iterations run = iterations(1500);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        // A picture, now and then as wide as a record, and a construction on it.
        const int width = d.chance(0.05) ? rowRecordSize : d.integer(1, 80);
        const int height = d.integer(1, 60);
        auto c = someConstruction(d, width, height);
        if (!c) continue;
        State s = stateOf(c->first, c->second);
        const int extraRows = d.integer(-2, 2);
        fillPicture(s, width, height, extraRows);
        bool picturePoisonFree = true;   // every byte within the picture's width and rows is a pixel
        switch (d.integer(0, 11)) {
        case 0: s.image.fileWidth = width + 0.5; break;
        case 1: s.image.fileWidth = kNaN; break;
        case 2: s.image.fileWidth = 1e9, picturePoisonFree = false; break;
        case 3: s.image.fileHeight = static_cast<std::int16_t>(d.integer(-5, 0)); break;
        case 4: s.image.fileHeight = 32767, picturePoisonFree = extraRows <= 0; break;
        default: break;
        }

        // The area: as constructed, or over the picture, across it, far away, or not a number.
        auto setArea = [&](double x1, double y1, double x2, double y2) {
            s.areaCorners[1][1] = x1, s.areaCorners[1][2] = y1;
            s.areaCorners[2][1] = x1, s.areaCorners[2][2] = y2;
            s.areaCorners[3][1] = x2, s.areaCorners[3][2] = y2;
            s.areaCorners[4][1] = x2, s.areaCorners[4][2] = y1;
        };
        switch (d.integer(0, 7)) {
        case 0: setArea(0, 0, width + 1, height); break;
        case 1: setArea(-kInf, -kInf, kInf, kInf); break;
        case 2: setArea(-1e15, -1e15, 1e15, 1e15); break;
        case 3: setArea(kNaN, 0, width, height); break;
        case 4: setArea(width, height, 0, 0); break;   // inverted: nothing inside
        default: break;
        }

        // A small output, so that every row can be compared; the tables keep their sizes.
        if (d.chance(0.8)) {
            s.frame.rectWidth = std::min(s.frame.rectWidth, d.whole(0, 300));
            s.frame.rectHeight = std::min(s.frame.rectHeight, d.whole(0, 40));
        } else {
            s.frame.rectWidth = d.chance(0.5) ? d.extreme() : s.frame.rectWidth;
            s.frame.rectHeight = d.chance(0.5) ? d.extreme() : std::min(s.frame.rectHeight, 40.0);
        }
        if (d.chance(0.15)) s.frame.colSign = static_cast<std::int16_t>(-s.frame.colSign);
        if (d.chance(0.2)) {
            double* fields[] = {&s.frame.originX, &s.frame.originY, &s.frame.vertEdgeSlope, &s.frame.horizEdgeSlope, &s.frame.pox, &s.frame.poy,
                                &s.frame.pvx,     &s.frame.pvy,     &s.fuox,          &s.fuoy,           &s.fuvx, &s.fuvy};
            for (int k = d.integer(1, 2); k > 0; --k) *fields[d.integer(0, 11)] = d.extreme();
        }
        if (d.chance(0.2) && !s.frame.rowPoints.empty())
            s.frame.rowPoints[anyRow(d, s.frame.rowPoints)][3] = d.extreme();

        const int w = rectify::columnCount(s.frame);
        const int h = rectify::rowCount(s.frame);
        std::vector<int> rowsToCheck = {-1, 0, 1, h, h + 1, h / 2};
        if (h <= 40)
            for (int i = 2; i < h; ++i) rowsToCheck.push_back(i);
        else
            for (int k = 0; k < 4; ++k) rowsToCheck.push_back(d.integer(1, h));

        std::vector<RowRecord> want(rowsToCheck.size());
        const rectify::Input in{s.frame, vanishingPoints(s), calculationArea(s), s.image};
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) rectify::referenceRow(in, rowsToCheck[k], want[k]);
        const rectify::Rectifier r(in, kernel);
        ASSERT_EQ(r.kernel(), kernel);
        EXPECT_EQ(r.width(), w);
        EXPECT_EQ(r.height(), h);
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) {
            RowRecord got;
            got.fill(0xAB);
            r.computeRow(rowsToCheck[k], got);
            if (got != want[k]) {
                ADD_FAILURE() << kernelName(kernel) << " kernel, row " << rowsToCheck[k]
                              << " differs from the reference";
                break;
            }
        }
        for (std::size_t k = 0; k < rowsToCheck.size(); ++k) {
            const RowRecord& row = want[k];
            for (std::size_t p = 0; p < row.size(); ++p) {
                if (row[p] != 0 && p < static_cast<std::size_t>(w)) ++sampled;
                if ((p >= static_cast<std::size_t>(w) && row[p] != 0) || (picturePoisonFree && row[p] == poison)) {
                    ADD_FAILURE() << "row " << rowsToCheck[k] << ", byte " << p << " = " << int{row[p]}
                                  << " (width " << w << ")";
                    break;
                }
            }
        }
    }
    std::printf("[ robustness ] %ld pixels sampled\n", sampled);
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(sampled, run.atLeast(100));
    }
}

INSTANTIATE_TEST_SUITE_P(RobustnessRectifier, RobustnessRectifierKernel,
                         ::testing::Values(rectify::Kernel::portable, rectify::Kernel::sse2, rectify::Kernel::avx2,
                                           rectify::Kernel::avx512),
                         [](const ::testing::TestParamInfo<rectify::Kernel>& param) {
                             return std::string(kernelName(param.param));
                         });

// ---- the commands ---------------------------------------------------------------------------------

/// One temporary data directory for a test, with the two source pictures the sessions open.
class Workspace {
public:
    Workspace() : small_(dir_.file("small.bmp")), medium_(dir_.file("medium.bmp")) {
        testing::writePlainBitmap(small_, 64, 48);
        testing::writePlainBitmap(medium_, 200, 150);
    }

    std::string dir() const { return dir_.path().string(); }
    const std::string& small() const { return small_; }
    const std::string& medium() const { return medium_; }

private:
    testing::TempDir dir_;
    std::string small_, medium_;
};

/// What the sessions of a test came to, to show that the run reached every outcome.
struct Tally {
    int built = 0, refused = 0, parallel = 0, rectified = 0, tooLarge = 0, tooSmall = 0, grids = 0;

    void print(const char* what) const {
        std::printf("[ robustness ] %s: %d constructions, %d refused, %d parallel pairs, %d grids, %d rectified, "
                    "%d refused as too large, %d as too small\n",
                    what, built, refused, parallel, grids, rectified, tooLarge, tooSmall);
    }
};

constexpr const char* refusedTitle = "NON E' POSSIBILE RADDRIZZARE";
constexpr const char* parallelText = "Fuga verticale o orizzontale all'infinito !!";

/// The program on a recording window, over the workspace's data directory, with a picture open.
class Session {
public:
    Session(const Workspace& ws, const std::string& picture) : app(w, ws.dir()) {
        app.helpFile = ws.dir() + "/velta300.html";
        formLoad(app);
        w.openAnswers.push_back(picture);
        openClick(app);
    }

    double width() const { return static_cast<double>(app.s.imageWidth); }
    double height() const { return static_cast<double>(app.s.imageHeight); }

    void click(double x, double y) {
        const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
        PICTURE1_MouseDown(app, 1, 0, fx, fy);
        Picture1_MouseUp(app, 1, 0, fx, fy);
    }

    void markLine(double x1, double y1, double x2, double y2) {
        click(x1, y1);
        Picture1_MouseMove(app, 1, 0, static_cast<float>((x1 + x2) / 2), static_cast<float>((y1 + y2) / 2));
        click(x2, y2);
    }

    /// Every mark drawn since `from` has finite coordinates and a radius that is not negative.
    void expectFiniteMarks(std::size_t from) const {
        for (std::size_t k = from; k < w.pic1.allOps.size(); ++k) {
            const DrawOp& op = w.pic1.allOps[k];
            const bool ok = geom::allFinite({op.x1, op.y1, op.x2, op.y2}) && (op.kind != DrawOp::Circle || op.x2 >= 0);
            if (!ok) {
                ADD_FAILURE() << "mark " << k << " of kind " << static_cast<int>(op.kind) << ": " << op.x1 << ", "
                              << op.y1 << ", " << op.x2 << ", " << op.y2;
                return;
            }
        }
    }

    /// After a command that ran the construction: it stands with finite values throughout, or
    /// the user was told, and nothing that needs it can be used.
    void expectBuiltOrRefused(std::size_t messagesBefore, Tally& t) const {
        const State& s = app.s;
        const bool told = w.messages.size() > messagesBefore;
        if (!s.vanishingValid && !told) {
            // Lines that do not meet were reported when they were marked; nothing is rebuilt.
            EXPECT_FALSE(s.constructionValid);
            for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
            return;
        }
        if (s.constructionValid) {
            EXPECT_FALSE(told) << w.messages.back().text;
            expectFiniteConstruction(s);
            EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
            ++t.built;
            return;
        }
        if (!told) {
            // The same inputs were refused, and said so, before: the prompt alone says it again.
            EXPECT_FALSE(s.refusedInputs.empty()) << "no construction stands and nothing was said";
            EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
            for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
            ++t.refused;
            return;
        }
        const ShownMessage& m = w.messages.back();
        EXPECT_EQ(m.title, refusedTitle);
        EXPECT_EQ(m.icon, Icon::Critical);
        EXPECT_EQ(w.messages.size(), messagesBefore + 1);
        for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
        ++(m.text == parallelText ? t.parallel : t.refused);
    }

    RecordingWindow w;
    App app;
};

// Four lines by pixel positions (or any reals, when written into the state): x1, y1, x2, y2.
using Lines = std::array<std::array<double, 4>, 4>;

struct Pt {
    double x, y;
};

/// A vanishing point for a pair: inside the picture, very far, or from just outside to far off
/// to one side (H) or above or below (V).
Pt vanishingPoint(Dice& d, bool horizontalPair, double w, double h) {
    const int kind = d.integer(0, 9);
    if (kind == 0) return {d.whole(0, w), d.whole(0, h)};
    if (kind == 1) return {d.enormous(), d.enormous()};
    if (horizontalPair) return {w / 2 + d.sign() * w * d.logUniform(0.6, 200), d.uniform(-h, 2 * h)};
    return {d.uniform(-w, 2 * w), h / 2 + d.sign() * h * d.logUniform(0.6, 200)};
}

/// A segment inside the picture on a line towards `vp` (starting at `vp` now and then when it
/// lies in the picture), rounded to whole pixels when `whole`.
std::array<double, 4> towards(Dice& d, Pt vp, double w, double h, bool whole) {
    auto inPicture = [&](double x, double y) { return x >= 0 && x <= w - 1 && y >= 0 && y <= h - 1; };
    auto snap = [&](double v) { return whole ? std::floor(v) : v; };
    for (int tries = 0; tries < 10; ++tries) {
        Pt p{d.uniform(0, w - 1), d.uniform(0, h - 1)};
        if (inPicture(vp.x, vp.y) && d.chance(0.3)) p = vp;
        const double dx = vp.x - p.x, dy = vp.y - p.y, len = std::hypot(dx, dy);
        if (!(len > 0) || !std::isfinite(len)) continue;
        const double l = d.uniform(3, std::max(w, h));
        for (double dir : {1.0, -1.0}) {
            const double qx = p.x + dir * dx / len * l, qy = p.y + dir * dy / len * l;
            if (inPicture(qx, qy)) return {snap(p.x), snap(p.y), snap(qx), snap(qy)};
        }
    }
    return {d.whole(0, w), d.whole(0, h), d.whole(0, w), d.whole(0, h)};
}

/// Four lines as a user might mark them: converging on two vanishing points, then bent into
/// the shapes that trouble a construction: a parallel or nearly parallel pair, lines through the
/// centre, lines of zero length, exactly vertical or horizontal lines, the pairs exchanged.
Lines randomLines(Dice& d, double w, double h, bool whole) {
    const Pt hp = vanishingPoint(d, true, w, h), vp = vanishingPoint(d, false, w, h);
    Lines l{};
    for (int n = 0; n < 4; ++n) l[static_cast<std::size_t>(n)] = towards(d, n < 2 ? hp : vp, w, h, whole);
    auto line = [&](int n) -> std::array<double, 4>& { return l[static_cast<std::size_t>(n)]; };
    auto point = [&](double v, double limit) { return whole ? std::floor(v * limit) : v * limit; };
    for (int k = d.integer(0, 2); k > 0; --k) {
        const int pair = d.chance(0.5) ? 0 : 2;
        const int n = d.integer(0, 3);
        switch (d.integer(0, 9)) {
        case 0: {   // the pair exactly parallel: one line moved
            const double tx = std::floor(d.uniform(-w, w) / 4), ty = std::floor(d.uniform(-h, h) / 4);
            line(pair + 1) = {line(pair)[0] + tx, line(pair)[1] + ty, line(pair)[2] + tx, line(pair)[3] + ty};
            break;
        }
        case 1: {   // nearly parallel: moved, and one end a pixel off
            const double ty = std::floor(h / 3);
            line(pair) = {0, point(d.uniform(0, 0.3), h), w - 1, point(d.uniform(0, 0.3), h)};
            line(pair + 1) = {line(pair)[0], line(pair)[1] + ty, line(pair)[2], line(pair)[3] + ty + 1};
            break;
        }
        case 2: line(n)[0] = w / 2, line(n)[1] = h / 2; break;                      // through the centre
        case 3: line(n)[2] = line(n)[0], line(n)[3] = line(n)[1]; break;            // zero length
        case 4: line(n)[2] = line(n)[0]; break;                                     // exactly vertical
        case 5: line(n)[3] = line(n)[1]; break;                                     // exactly horizontal
        case 6: line(pair)[2] = line(pair)[0], line(pair + 1)[2] = line(pair + 1)[0]; break;   // both vertical
        case 7: line(pair)[3] = line(pair)[1], line(pair + 1)[3] = line(pair + 1)[1]; break;   // both horizontal
        case 8: std::swap(l[0], l[2]), std::swap(l[1], l[3]); break;                // the pairs exchanged
        default: line(n) = {point(d.uniform(0, 1), w - 1), point(d.uniform(0, 1), h - 1),
                            point(d.uniform(0, 1), w - 1), point(d.uniform(0, 1), h - 1)};
                 break;
        }
    }
    return l;
}

/// Marks the lines with the mouse (the release of the fourth runs the construction), or writes
/// them into the state and runs the vanishing points as that release does.
void markLines(Session& ss, const Lines& l, bool byClicks, Tally& t) {
    const std::size_t before = ss.w.messages.size(), ops = ss.w.pic1.allOps.size();
    if (byClicks) {
        for (const auto& e : l) ss.markLine(e[0], e[1], e[2], e[3]);
        ASSERT_EQ(ss.app.s.lineCount, 4);
    } else {
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 4; ++k)
                ss.app.s.lineEnds[n][k] = l[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(k - 1)];
        ss.app.s.lineCount = 4;
        FUGHE(ss.app);
    }
    ss.expectBuiltOrRefused(before, t);
    ss.expectFiniteMarks(ops);
}

/// Lines written into the state with the values no mouse gives: enormous or tiny coordinates,
/// slopes one unit in the last place apart, not a number, infinite.
Lines extremeLines(Dice& d, double w, double h) {
    Lines l = randomLines(d, w, h, false);
    switch (d.integer(0, 5)) {
    case 0: {
        const double scale = d.logUniform(1e6, 1e15);
        for (auto& e : l)
            for (double& v : e) v *= scale;
        break;
    }
    case 1: {
        const double scale = d.logUniform(1e-300, 1e-5);
        for (auto& e : l)
            for (double& v : e) v *= scale;
        break;
    }
    case 2: {
        const double shift = d.enormous();
        for (auto& e : l)
            for (double& v : e) v += shift;
        break;
    }
    case 3: {
        const std::size_t pair = d.chance(0.5) ? 0 : 2;
        l[pair + 1] = l[pair];
        l[pair + 1][3] = std::nextafter(l[pair + 1][3], kInf);
        break;
    }
    default:
        for (int k = d.integer(1, 3); k > 0; --k)
            l[static_cast<std::size_t>(d.integer(0, 3))][static_cast<std::size_t>(d.integer(0, 3))] = d.extreme();
        break;
    }
    return l;
}

/// The rectify command when the frame is refused, or small enough to compute at once and the
/// session may still rectify: either the user is told why not, or a complete working file is
/// written and shown.
bool rectifyIfQuick(Session& ss, Tally& t, int& budget) {
    State& s = ss.app.s;
    RecordingWindow& w = ss.w;
    if (!s.constructionValid || !(w.enabled(Ctl::RADDRIZZA) || w.enabled(Ctl::start)) || s.raddrCount != 0)
        return false;
    const bool tooLarge = s.frame.rectWidth > 3000 || s.frame.rectHeight > 32767;
    const bool tooSmall = !tooLarge && (s.frame.rectWidth < 1 || s.frame.rectHeight < 1);
    const bool quick = !tooLarge && !tooSmall && s.frame.rectWidth <= 400 && s.frame.rectHeight <= 400;
    if (!tooLarge && !tooSmall && !(quick && budget > 0)) return false;

    const std::string file = ss.app.workingFile();
    std::error_code ec;
    std::filesystem::remove(file, ec);
    const std::size_t before = w.messages.size();
    const double width = s.frame.rectWidth, height = s.frame.rectHeight;
    RADDR1(ss.app);
    EXPECT_FALSE(s.rectRunning);
    if (tooLarge || tooSmall) {
        EXPECT_EQ(w.messages.size(), before + 1) << "a frame of " << width << " x " << height;
        if (w.messages.size() > before) {
            const ShownMessage& m = w.messages.back();
            EXPECT_EQ(m.title, "IMPOSSIBILE RADDRIZZARE");
            EXPECT_EQ(m.icon, Icon::Critical);
            EXPECT_EQ(m.text, tooLarge ? "Immagine troppo grande; selezionare un'area più piccola"
                                       : "Area di calcolo troppo piccola; selezionare un'area più grande");
        }
        EXPECT_EQ(s.raddrCount, 0);
        EXPECT_FALSE(std::filesystem::exists(file));
        ++(tooLarge ? t.tooLarge : t.tooSmall);
        return false;
    }

    --budget;
    ++t.rectified;
    const auto W = static_cast<std::uintmax_t>(width), H = static_cast<std::uintmax_t>(height);
    EXPECT_EQ(w.messages.size(), before) << w.messages.back().text;
    EXPECT_EQ(std::filesystem::file_size(file, ec), 1078 + H * (W + (4 - W % 4) % 4))
        << "a frame of " << width << " x " << height;
    const bitmap::ReadResult back = bitmap::readBitmapFile(file);
    EXPECT_TRUE(back.ok) << back.error;
    if (back.ok) {
        EXPECT_EQ(back.image.fileWidth, width);
        EXPECT_EQ(back.image.fileHeight, height);
    }
    EXPECT_EQ(w.pic2.loadedPath, file);
    EXPECT_EQ(w.pic2.pictureWidth(), static_cast<int>(W));
    EXPECT_EQ(w.pic2.pictureHeight(), static_cast<int>(H));
    EXPECT_TRUE(s.workingFileFresh);
    EXPECT_EQ(s.rectDone, 1);
    return true;
}

/// After a rectification: the measuring phase follows (false), or, now and then, another
/// rectification of the same photograph is begun (true).
bool anotherRectification(Session& ss, Dice& d) {
    if (!d.chance(0.5)) return false;
    if (d.chance(0.5))
        ALTRA1(ss.app);
    else
        CANC2(ss.app);   // after a rectification: back to the area, and a new one begins
    EXPECT_EQ(ss.app.s.raddrCount, 0);
    EXPECT_EQ(ss.w.text(Ctl::RADDRIZZA), "Raddrizza");
    return true;
}

/// A few commands after the lines, each only while its control can be used: the centre moved
/// by a click (also onto a vanishing point's vertical), an area by two clicks (also empty,
/// outside or far larger than the picture), the last line taken back and marked again, the
/// output step, the grid, and the rectification, perhaps followed by another.
void someCommands(Session& ss, Dice& d, Tally& t) {
    // Rectifications cost the most: a few sessions compute up to two, the others only refuse.
    int rectifyBudget = d.chance(0.4) ? 2 : 0;
    State& s = ss.app.s;
    auto whole = [](double v) { return std::fabs(v) < 1e9 ? std::floor(v) : 0.0; };
    RecordingWindow& w = ss.w;
    const double pw = ss.width(), ph = ss.height();
    // A click in the picture, or (a drag's release beyond its edge) outside it: near, some tens
    // of pictures away (frames about the largest the rectification takes), or enormously far.
    auto anywhere = [&](double limit) {
        if (!d.chance(0.15)) return d.whole(0, limit);
        switch (d.integer(0, 2)) {
        case 0: return d.whole(-limit, 2 * limit);
        case 1: return d.whole(-40 * limit, 40 * limit);
        default: return d.enormous();
        }
    };
    for (int step = d.integer(0, 6); step > 0; --step) {
        const std::size_t before = w.messages.size(), ops = w.pic1.allOps.size();
        const int command = d.integer(0, 7);
        SCOPED_TRACE("command " + std::to_string(command) + ", " + std::to_string(step) + " to go");
        switch (command) {
        case 0:   // the centre: the button, then a click
            if (!w.enabled(Ctl::CENTRO)) break;
            CENTRO_Click(ss.app);
            ss.expectBuiltOrRefused(before, t);
            if (::testing::Test::HasFatalFailure()) return;
            {
                const std::size_t picked = w.messages.size();
                double x = anywhere(pw), y = anywhere(ph);
                // On a vanishing point's vertical (or horizontal), where a click can reach it.
                auto near = [](double v, double other) { return std::fabs(v) < 1e9 ? std::floor(v) : other; };
                if (d.chance(0.3)) x = near(d.chance(0.5) ? s.fuvx : s.fuox, x);
                if (d.chance(0.1)) y = near(d.chance(0.5) ? s.fuvy : s.fuoy, y);
                ss.click(x, y);
                ss.expectBuiltOrRefused(picked, t);
            }
            break;
        case 1:   // the centre exactly on a vanishing point's vertical or horizontal, or on it
            if (!w.enabled(Ctl::centro1) || !std::isfinite(s.fuvx)) break;
            switch (d.integer(0, 3)) {
            case 0: s.centreX = s.fuvx; break;
            case 1: s.centreX = s.fuox; break;
            case 2: s.centreY = s.fuvy; break;
            default: s.centreX = s.fuvx, s.centreY = s.fuvy; break;
            }
            FUGHE(ss.app);
            ss.expectBuiltOrRefused(before, t);
            break;
        case 2: {   // an area by two clicks
            if (!w.enabled(Ctl::RETTANG) && !w.enabled(Ctl::area)) break;
            RETTANG3(ss.app);
            const double x1 = anywhere(pw), y1 = anywhere(ph);
            double x2 = anywhere(pw), y2 = anywhere(ph);
            if (d.chance(0.15)) x2 = x1;
            if (d.chance(0.15)) y2 = y1;
            ss.click(x1, y1);
            EXPECT_EQ(w.messages.size(), before);
            Picture1_MouseMove(ss.app, 1, 0, static_cast<float>(x2), static_cast<float>(y1));   // the band
            ss.click(x2, y2);
            ss.expectBuiltOrRefused(before, t);
            // A new area is often rectified at once (an empty one is refused).
            if (d.chance(0.6) && rectifyIfQuick(ss, t, rectifyBudget) && !anotherRectification(ss, d)) return;
            break;
        }
        case 3:   // the last line taken back and marked again: the same, a pixel off, parallel to
                  // its partner, or anywhere
            if (!w.enabled(Ctl::cancella) || s.raddrCount != 0 || s.lineCount != 4) break;
            CANC2(ss.app);
            {
                const double* third = s.lineEnds[3];
                std::array<double, 4> e{whole(s.lineEnds[4][1]), whole(s.lineEnds[4][2]), whole(s.lineEnds[4][3]),
                                        whole(s.lineEnds[4][4])};
                switch (d.integer(0, 3)) {
                case 0: break;
                case 1: e[2] += 1; break;
                case 2: {
                    const double tx = d.whole(-pw / 2, pw / 2);
                    e = {whole(third[1]) + tx, whole(third[2]), whole(third[3]) + tx, whole(third[4])};
                    break;
                }
                default: e = {d.whole(0, pw), d.whole(0, ph), d.whole(0, pw), d.whole(0, ph)}; break;
                }
                ss.markLine(e[0], e[1], e[2], e[3]);
            }
            EXPECT_EQ(s.lineCount, 4);
            ss.expectBuiltOrRefused(before, t);
            break;
        case 4:   // the output step
            if (!w.visible(Ctl::GRANDEZZA)) break;
            for (int k = d.integer(1, 12); k > 0; --k) {
                const std::size_t pressed = w.messages.size();
                if (d.chance(0.6))
                    GRANDEZZA_SpinUp(ss.app);
                else
                    GRANDEZZA_SpinDown(ss.app);
                EXPECT_TRUE(s.pixelStep >= 1.0 && s.pixelStep < 1.95) << s.pixelStep;
                ss.expectBuiltOrRefused(pressed, t);
                if (::testing::Test::HasFatalFailure()) return;
            }
            break;
        case 5:   // the grid
            if (!w.enabled(Ctl::GRIGLIA) && !w.enabled(Ctl::griglia2)) break;
            griglia1(ss.app);
            EXPECT_EQ(w.messages.size(), before);
            ++t.grids;
            break;
        default:
            if (rectifyIfQuick(ss, t, rectifyBudget) && !anotherRectification(ss, d)) return;
            break;
        }
        ss.expectFiniteMarks(ops);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(RobustnessHandlers, randomLinesCentresAreasAndStepsByTheMouse) {
    constexpr std::uint64_t salt = 5;
    Workspace ws;
    Tally t;
    const Iterations run = iterations(4000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        Session ss(ws, d.chance(0.75) ? ws.small() : ws.medium());
        ASSERT_GT(ss.width(), 0);
        markLines(ss, randomLines(d, ss.width(), ss.height(), true), true, t);
        if (!::testing::Test::HasFailure()) someCommands(ss, d, t);
    }
    t.print("by the mouse");
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(t.built, run.atLeast(0.5));
        EXPECT_GT(t.refused, run.atLeast(0.5));
        EXPECT_GT(t.parallel, run.atLeast(0.25));
        EXPECT_GT(t.grids, run.atLeast(0.03));
        EXPECT_GT(t.rectified, run.atLeast(0.02));
        EXPECT_GT(t.tooLarge, run.atLeast(0.002));
        EXPECT_GT(t.tooSmall, run.atLeast(0.002));
    }
}

TEST(RobustnessHandlers, extremeLinesWrittenIntoTheState) {
    constexpr std::uint64_t salt = 6;
    Workspace ws;
    Tally t;
    const Iterations run = iterations(2000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        Session ss(ws, d.chance(0.75) ? ws.small() : ws.medium());
        ASSERT_GT(ss.width(), 0);
        const Lines l = d.chance(0.7) ? extremeLines(d, ss.width(), ss.height())
                                      : randomLines(d, ss.width(), ss.height(), false);
        markLines(ss, l, false, t);
        if (!::testing::Test::HasFailure()) someCommands(ss, d, t);
    }
    t.print("written into the state");
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(t.built, run.atLeast(0.5));
        EXPECT_GT(t.refused, run.atLeast(1));
        EXPECT_GT(t.parallel, run.atLeast(0.05));
        EXPECT_GT(t.rectified, run.atLeast(0.01));
        EXPECT_GT(t.tooLarge, run.atLeast(0.01));
        EXPECT_GT(t.tooSmall, run.atLeast(0.005));
    }
}

}  // namespace
}  // namespace velta

#pragma once
// The random source of the robustness tests, and what every construction they make must satisfy.
//
// The robustness tests feed thousands of random line sets, centres, calculation areas and output
// steps to the pure functions and, through the command handlers, to the program on a recording
// window. Every outcome must be a refusal the user is told about, or finite values throughout the
// working state; every run must end; a rectification must leave a complete working file.
//
// Each iteration draws from its own generator, seeded from kSeed, the test's salt and the
// iteration number; a failure names all three, and VELTA_ROBUSTNESS_ITERATION=<n> replays
// iteration n alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/orientation.h"
#include "state/state.h"

namespace velta::robustness {

inline constexpr std::uint64_t kSeed = 0x56454C5441333030;   // "VELTA300"
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- random source ------------------------------------------------------------------------------

// The sanitizers make every allocation and page fault dearer: their build runs half the iterations.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr std::uint64_t sanitizerSlowdown = 2;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr std::uint64_t sanitizerSlowdown = 2;
#else
inline constexpr std::uint64_t sanitizerSlowdown = 1;
#endif
#else
inline constexpr std::uint64_t sanitizerSlowdown = 1;
#endif

/// The iterations of one test: 0 .. n - 1, or only the one named in VELTA_ROBUSTNESS_ITERATION.
struct Iterations {
    std::uint64_t first = 0, last = 0;
    std::uint64_t n = 0;    // iterations of the whole run
    bool whole = false;     // the whole run: the tallies can be held against n

    /// A tally that a whole run must exceed: `fraction` of its iterations.
    long atLeast(double fraction) const { return static_cast<long>(fraction * static_cast<double>(n)); }
};

inline Iterations iterations(std::uint64_t count) {
    const std::uint64_t n = count / sanitizerSlowdown;
    if (const char* only = std::getenv("VELTA_ROBUSTNESS_ITERATION")) {
        const std::uint64_t k = std::strtoull(only, nullptr, 10);
        return {k, k + 1, n, false};
    }
    return {0, n, n, true};
}

inline std::string trace(std::uint64_t salt, std::uint64_t iteration) {
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

inline void expectFinite(std::initializer_list<Named> values) {
    for (const Named& v : values) EXPECT_TRUE(std::isfinite(v.value)) << v.name << " = " << v.value;
}

/// A size of the rectified image: a whole number, not negative.
inline void expectSize(double v, const char* name) {
    EXPECT_TRUE(std::isfinite(v) && v >= 0 && std::floor(v) == v) << name << " = " << v;
}

/// A mark table for a frame of `size`: min(size, cap) + 1 rows, all finite, row 0 and columns 0, 1 zero.
inline void expectMarks(const std::vector<MarkRow>& table, double size, std::size_t cap, const char* name) {
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

inline void expectSign(int v, const char* name) { EXPECT_TRUE(v == -1 || v == 0 || v == 1) << name << " = " << v; }

inline void expectFiniteOrientation(const geom::Orientation& o) {
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
inline void expectFiniteConstruction(const State& s) {
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
inline geom::OrientationInput randomOrientationInput(Dice& d, double w, double h, Inputs kind) {
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

inline bool allFinite(const geom::OrientationInput& in) {
    return geom::allFinite({in.centreX, in.centreY, in.fuox, in.fuoy, in.fuvx, in.fuvy, in.areaXmin, in.areaYmin,
                            in.areaXmax, in.areaYmax, in.imageWidth, in.imageHeight, in.pixelStep});
}

/// The working state of a construction, as the orientation command stores it.
inline State stateOf(const geom::OrientationInput& in, const geom::Orientation& o) {
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
inline std::optional<std::pair<geom::OrientationInput, geom::Orientation>> someConstruction(Dice& d, double w, double h) {
    for (int tries = 0; tries < 20; ++tries) {
        geom::OrientationInput in = randomOrientationInput(d, w, h, Inputs::plain);
        if (auto o = geom::orient(in)) return std::make_pair(in, std::move(*o));
    }
    return std::nullopt;
}

/// A row of a non-empty mark table.
inline std::size_t anyRow(Dice& d, const std::vector<MarkRow>& table) {
    return static_cast<std::size_t>(d.integer(0, static_cast<int>(table.size()) - 1));
}

}  // namespace velta::robustness

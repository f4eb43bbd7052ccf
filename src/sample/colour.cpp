// Rendering the colour sample: what the camera sees along each ray, in colour, and the mean of
// each pixel's square.
//
// Every surface is split into regions inside which the colour changes smoothly (the shadowed
// bottom rail of a frame, the lit left one, the shadow under the cornice, a stone joint...). The
// scene is looked at every pixel corner; a pixel whose four corners lie in one region takes the
// mean of their colours, and only a pixel that a region boundary crosses is looked at 4 x 4 times
// and takes the mean of those. At the full size every region is more than a pixel across where it
// is seen, so none hides between the corners of a pixel (a much smaller rendering may lose a stone
// joint here and there).
//
// The plaster, the stone and the pavement carry a faint mottle (value noise fixed to the surface)
// so that the rectified picture shows its interpolation. Only +, -, *, /, sqrt and floor are used,
// so the picture is the same on every build.

#include "sample/colour.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "sample/layout.h"
#include "sample/sight.h"

namespace velta::sample {

namespace {

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

Rgb scaled(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

double clamp01(double t) { return t > 0 ? (t < 1 ? t : 1) : 0; }

// The regions: a pixel whose corners do not all lie in one of them is supersampled.
enum Region : int {
    sky, ground,
    wall, wallShadow,
    plinth, plinthJoint, courseShadow, courseLit, courseJoint, corniceShadow, cornice, corniceJoint,
    frameBottom, frameLeft, frame,
    glass, glassShade, upperGlass, upperGlassShade,
};

struct Look {
    Rgb colour;
    int region;
};

// A well-mixed 32-bit hash of a lattice point, as a number in [0, 1).
double lattice(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^ static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h / 4294967296.0;
}

// Smooth value noise in [-0.5, 0.5], one lattice cell per unit of x and y.
double noise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty - 0.5;
}

// x modulo `period`, in [0, period).
double wrap(double x, double period) { return x - period * std::floor(x / period); }

// The plaster and stone mottle at plane point p: a factor near 1.
double mottle(PlanePoint p, double coarse, double fine) {
    return 1 + coarse * noise(p.u * 1.3, p.v * 1.3, 1) + fine * noise(p.u * 14, p.v * 14, 2) +
           0.5 * fine * noise(p.u * 55, p.v * 55, 4);
}

// Stone: travertine, lit from above, on a plinth of grey sandstone; the joints between blocks
// run every `blockM`.
Look stoneLook(PlanePoint p) {
    using namespace layout;
    const Rgb lit{228, 219, 199}, shade{150, 144, 132}, joint{118, 112, 104}, grey{132, 137, 142};
    const double m = mottle(p, 0.05, 0.06);
    auto blocks = [&](double blockM, double offsetM, Region stone, Region seam, Rgb colour) {
        if (wrap(p.u + offsetM, blockM) < 0.025) return Look{scaled(joint, m), seam};
        return Look{scaled(colour, m), stone};
    };
    if (p.v >= corniceBottomV) {
        if (p.v < corniceBottomV + 0.12) return {scaled(shade, m), corniceShadow};  // its underside, in shadow
        return blocks(1.5, 0.4, cornice, corniceJoint, mix(lit, scaled(lit, 0.9), (p.v - corniceBottomV) / 0.7));
    }
    if (p.v < plinthTopV) return blocks(1.2, 0, plinth, plinthJoint, mix(scaled(grey, 0.88), grey, p.v / plinthTopV));
    if (p.v < stringCourseBottomV + 0.08) return {scaled(mix(shade, lit, 0.3), m), courseShadow};
    return blocks(0.9, 0.2, courseLit, courseJoint, lit);
}

// A white painted frame: the bottom rail faces down into shadow, the left one faces the light.
Look frameLook(PlanePoint p, const layout::WindowHit& w) {
    const double m = 1 + 0.02 * noise(p.u * 30, p.v * 30, 3);
    if (w.localV < layout::frameM) return {scaled(Rgb{184, 185, 182}, m), frameBottom};
    if (w.localU < layout::frameM) return {scaled(Rgb{250, 250, 246}, m), frameLeft};
    return {scaled(Rgb{230, 231, 228}, m), frame};
}

// Glass: the dark room behind it with the sky reflected across it, brighter towards the top
// left and in the small upper pane; the frame's top rail and left side shade a strip of it.
Look glassLook(PlanePoint p, const layout::WindowHit& w) {
    using namespace layout;
    const auto col = static_cast<std::int64_t>((p.u - firstLeftU) / columnPitchM);
    const auto row = static_cast<std::int64_t>((p.v - lowestBottomV) / rowPitchM);
    const double tint = lattice(col, row, 7) - 0.5;  // each window reflects a little differently
    const bool upper = w.localV >= transomTopM;
    const double paneTop = upper ? windowM - frameM : transomBottomM;
    const double diagonal = (w.localV - w.localU + windowM) / (2 * windowM);
    // A soft bright streak of reflection running across the pane.
    const double streak = std::max(0.0, 1 - std::abs(wrap(w.localU + w.localV + 0.9 * tint, 1.4) - 0.7) / 0.18);
    double s = 0.15 + 0.55 * diagonal * diagonal + 0.15 * tint + 0.2 * streak;
    if (upper) s = 0.35 + 0.65 * s;
    const Rgb deep{20, 30, 48}, sky{128, 158, 192};
    const Rgb colour = mix(deep, sky, clamp01(s));
    const bool shaded = paneTop - w.localV < 0.07 || w.localU - frameM < 0.045;
    if (shaded) return {scaled(colour, 0.6), upper ? upperGlassShade : glassShade};
    return {colour, upper ? upperGlass : glass};
}

// Ochre plaster, a little lighter upwards, darker near the ground and in the cornice's shadow,
// with faint streaks of weathering under the windows.
Look wallLook(PlanePoint p) {
    using namespace layout;
    const Rgb low{200, 148, 84}, high{226, 178, 110};
    double k = mottle(p, 0.07, 0.04);
    if (p.v < 1.2) k *= 0.9 + 0.1 * p.v / 1.2;  // rising damp
    const double lu = wrap(p.u - firstLeftU, columnPitchM);
    if (p.u > firstLeftU && p.u < windowLeftU(columns - 1) + windowM && lu < windowM) {
        const double below = wrap(p.v - lowestBottomV, rowPitchM);  // metres above the nearest sill below
        const double down = rowPitchM - below;                       // metres below the sill above
        if (p.v < windowBottomV(0) && down < 0.9) {
            const double across = 1 - std::abs(lu - windowM / 2) / (windowM / 2);
            k *= 1 - 0.06 * across * (1 - down / 0.9);
        }
    }
    const Rgb colour = scaled(mix(low, high, p.v / heightM), k);
    if (p.v >= corniceBottomV - 0.35) return {scaled(colour, 0.62), wallShadow};
    return {colour, wall};
}

Look facadeLook(PlanePoint p) {
    switch (facadeMaterialAt(p)) {
    case Material::Stone: return stoneLook(p);
    case Material::Frame: return frameLook(p, layout::windowAt(p.u, p.v));
    case Material::Glass: return glassLook(p, layout::windowAt(p.u, p.v));
    default: return wallLook(p);
    }
}

// What the camera sees at image point (x, y): the same façade, ground and sky as the bitmap sample.
Look sceneLook(const Viewer& c, double x, double y) {
    const Sight s = sightOf(c, x, y);
    if (s.what == Sight::What::facade) return facadeLook(s.facade);
    if (s.what == Sight::What::ground) {  // the light paving of the square
        const Rgb near{152, 143, 130}, far{188, 181, 168};
        Rgb colour = mix(near, far, clamp01(s.along / 70));
        if (s.along < 45) {  // the mottle fades out before the paving grows too fine to show it
            const double k = 0.08 * (1 - s.along / 45);
            colour = scaled(colour, 1 + k * noise(s.groundT * s.dx * 3, s.groundT * s.dz * 3, 5));
        }
        return {colour, ground};
    }
    const double t = clamp01(s.elevation / 0.6);
    return {mix(Rgb{214, 228, 241}, Rgb{74, 128, 198}, t * (2 - t)), sky};
}

std::uint32_t argbOf(Rgb c) {
    auto byte = [](double v) { return static_cast<std::uint32_t>(v <= 0 ? 0 : v >= 255 ? 255 : v + 0.5); };
    return 0xFF000000u | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

constexpr int samplesPerSide = 4;

// The mean of 4 x 4 looks spread over pixel (col, row).
Rgb supersampled(const Viewer& c, int col, int row) {
    Rgb sum{0, 0, 0};
    for (int j = 0; j < samplesPerSide; ++j)
        for (int i = 0; i < samplesPerSide; ++i) {
            const Rgb s = sceneLook(c, col + (i + 0.5) / samplesPerSide, row + (j + 0.5) / samplesPerSide).colour;
            sum = {sum.r + s.r, sum.g + s.g, sum.b + s.b};
        }
    return scaled(sum, 1.0 / (samplesPerSide * samplesPerSide));
}

}  // namespace

const char* colourSampleFileName() { return "facciata.jpg"; }

Camera colourCamera(int width, int height) {
    Camera c = facadeCamera();
    const double scale = std::min(static_cast<double>(width) / c.width, static_cast<double>(height) / c.height);
    c.focalPx *= scale;
    c.width = width;
    c.height = height;
    c.principalX = width / 2.0;
    c.principalY = height / 2.0;
    return c;
}

Picture renderColourFacade(const Camera& camera) {
    if (!(camera.focalPx > 0)) return {};
    Picture picture = Picture::allocate(camera.width, camera.height);
    if (picture.empty()) return picture;
    const Viewer c = viewerOf(camera);
    const auto w = static_cast<std::size_t>(camera.width);

    std::vector<Look> above(w + 1), below(w + 1);
    for (std::size_t i = 0; i <= w; ++i) above[i] = sceneLook(c, static_cast<double>(i), 0);
    for (int r = 0; r < camera.height; ++r) {
        const double y = r + 1;
        for (std::size_t i = 0; i <= w; ++i) below[i] = sceneLook(c, static_cast<double>(i), y);
        std::uint32_t* out = picture.row(r);
        for (std::size_t i = 0; i < w; ++i) {
            const Look &a = above[i], &b = above[i + 1], &d = below[i], &e = below[i + 1];
            const int region = a.region;
            Rgb colour;
            if (b.region == region && d.region == region && e.region == region)
                colour = {(a.colour.r + b.colour.r + d.colour.r + e.colour.r) / 4,
                          (a.colour.g + b.colour.g + d.colour.g + e.colour.g) / 4,
                          (a.colour.b + b.colour.b + d.colour.b + e.colour.b) / 4};
            else
                colour = supersampled(c, static_cast<int>(i), r);
            out[i] = argbOf(colour);
        }
        above.swap(below);
    }
    return picture;
}

Picture colourFacade() { return renderColourFacade(colourCamera(colourSampleWidth, colourSampleHeight)); }

}  // namespace velta::sample

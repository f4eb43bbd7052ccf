// Rendering the sample: what the camera sees along each ray, the palette, and supersampling
// into palette indices.
//
// Palette layout:
//   0 .. 7      grey ramp, black to white (0, black, is also what the rectifier leaves outside)
//   8 .. 47     sky, pale at the horizon to deep blue overhead
//   48 .. 63    ground (pavement), darker near the camera
//   64 .. 95    wall, ochre, lighter towards the top
//   96 .. 103   stone (plinth, string course, cornice), shadowed below, lit above
//   104 .. 111  window frames, white
//   112 .. 135  glass, dark blue with a lighter reflection towards the top left
//   136 .. 255  edge blends: for each of the 15 pairs of the six surfaces above, 8 mixtures
// A pixel that straddles an edge gets the entry of its commonest surface (a shade of its ramp, or
// a blend with the other surface) whose grey is nearest the mean of what the pixel sees: the grey
// across an edge then moves in proportion to how much of each pixel the other surface covers, as
// in a photograph, and every index still says which surface covers most of its pixel.
//
// All arithmetic is +, -, *, / and sqrt on doubles, so the picture is the same everywhere.

#include <cmath>
#include <cstddef>
#include <vector>

#include "sample/bmp8.h"
#include "sample/facade.h"
#include "sample/layout.h"
#include "sample/sight.h"

namespace velta::sample {

namespace {

constexpr int surfaceCount = 6;  // Sky .. Glass
constexpr int blendLevels = 8;
constexpr int blendFirst = 136;
constexpr int samplesPerSide = 4;  // 4 x 4 samples in a pixel that straddles an edge
constexpr double greyTolerance = 1.0;  // grey levels an edge pixel may trade for a truer colour

struct Rgb {
    double r, g, b;
};

struct Ramp {
    int first;
    int count;
    Rgb dark;   // shade 0
    Rgb light;  // shade 1
};

// Indexed by Material (Sky .. Glass).
constexpr Ramp ramps[surfaceCount] = {
    {8, 40, {206, 226, 242}, {66, 124, 196}},    // sky: horizon to zenith
    {48, 16, {104, 102, 98}, {168, 166, 160}},   // ground: near to far
    {64, 32, {176, 128, 66}, {230, 186, 112}},   // wall
    {96, 8, {168, 160, 144}, {242, 238, 226}},   // stone
    {104, 8, {176, 178, 178}, {252, 252, 248}},  // frame
    {112, 24, {18, 30, 62}, {96, 128, 170}},     // glass
};

int surfaceIndex(Material m) { return static_cast<int>(m); }

const Ramp& rampOf(Material m) { return ramps[surfaceIndex(m)]; }

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Level 0 .. n-1 for a shade in [0, 1]; anything outside (or NaN) is clamped.
int levelOf(double shade, int n) {
    if (!(shade > 0)) return 0;
    if (shade >= 1) return n - 1;
    const int level = static_cast<int>(shade * n);
    return level < n ? level : n - 1;
}

// Index of the first blend entry of the pair lo < hi.
int pairFirst(int lo, int hi) {
    const int pair = lo * surfaceCount - lo * (lo + 1) / 2 + (hi - lo - 1);
    return blendFirst + pair * blendLevels;
}

struct Sample {
    Material material = Material::Sky;
    double shade = 0;
};

Sample facadeSample(PlanePoint p) {
    using namespace layout;
    const Material m = facadeMaterialAt(p);
    switch (m) {
    case Material::Stone:
        if (p.v >= corniceBottomV) return {m, (p.v - corniceBottomV) / (heightM - corniceBottomV)};
        if (p.v < plinthTopV) return {m, 0.2 + 0.8 * p.v / plinthTopV};
        return {m, (p.v - stringCourseBottomV) / (stringCourseTopV - stringCourseBottomV)};
    case Material::Frame: {
        const WindowHit w = windowAt(p.u, p.v);
        if (w.localV < frameM) return {m, 0.3};  // the bottom rail faces down, into shadow
        if (w.localU < frameM) return {m, 0.95};
        return {m, 0.7};
    }
    case Material::Glass: {
        const WindowHit w = windowAt(p.u, p.v);
        double s = (w.localV - w.localU + windowM) / (2 * windowM);
        if (w.localV >= transomTopM) s = 0.5 + 0.5 * s;  // the small upper pane catches the sky
        return {m, s};
    }
    case Material::Wall:
        if (p.v >= corniceBottomV - 0.35) return {m, 0.12};  // shadow under the cornice
        return {m, 0.3 + 0.7 * p.v / heightM};
    default:
        return {Material::Wall, 0.5};
    }
}

Sample sceneSample(const Viewer& c, double x, double y) {
    const Sight s = sightOf(c, x, y);
    if (s.what == Sight::What::facade) return facadeSample(s.facade);
    if (s.what == Sight::What::ground) return {Material::Ground, s.along / 90.0};
    return {Material::Sky, s.elevation / 0.55};
}

std::array<std::uint8_t, 1024> makePalette() {
    std::array<std::uint8_t, 1024> pal{};
    auto set = [&pal](int index, Rgb c) {
        const auto at = static_cast<std::size_t>(index) * 4;
        pal[at] = static_cast<std::uint8_t>(c.b + 0.5);
        pal[at + 1] = static_cast<std::uint8_t>(c.g + 0.5);
        pal[at + 2] = static_cast<std::uint8_t>(c.r + 0.5);
        pal[at + 3] = 0;
    };
    for (int i = 0; i < 8; ++i) {
        const double g = 255.0 * i / 7;
        set(i, {g, g, g});
    }
    for (const Ramp& ramp : ramps)
        for (int k = 0; k < ramp.count; ++k)
            set(ramp.first + k, mix(ramp.dark, ramp.light, (k + 0.5) / ramp.count));
    for (int lo = 0; lo < surfaceCount; ++lo)
        for (int hi = lo + 1; hi < surfaceCount; ++hi) {
            const Rgb a = mix(ramps[lo].dark, ramps[lo].light, 0.5);
            const Rgb b = mix(ramps[hi].dark, ramps[hi].light, 0.5);
            for (int k = 0; k < blendLevels; ++k)
                set(pairFirst(lo, hi) + k, mix(a, b, (k + 0.5) / blendLevels));
        }
    return pal;
}

std::uint8_t rampIndex(Sample s) {
    const Ramp& ramp = rampOf(s.material);
    return static_cast<std::uint8_t>(ramp.first + levelOf(s.shade, ramp.count));
}

// Grey of a colour as the program reads it (BT.601).
double greyOf(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// The colour of palette entry `index`, as the file stores it.
Rgb paletteColour(int index) {
    const auto& pal = facadePalette();
    const auto at = static_cast<std::size_t>(index) * 4;
    return {static_cast<double>(pal[at + 2]), static_cast<double>(pal[at + 1]), static_cast<double>(pal[at])};
}

// The entry, among `candidates`, to draw a pixel whose samples average to `mean`: the nearest in
// colour of those within `greyTolerance` of the nearest grey. Grey comes first because it is what
// tells where an edge crosses the pixel.
int nearestEntry(Rgb mean, const std::vector<int>& candidates) {
    const double grey = greyOf(mean);
    double nearestGrey = 1e9;
    for (const int index : candidates) nearestGrey = std::fmin(nearestGrey, std::fabs(greyOf(paletteColour(index)) - grey));
    int best = -1;
    double bestColour = 0;
    for (const int index : candidates) {
        const Rgb e = paletteColour(index);
        if (std::fabs(greyOf(e) - grey) > nearestGrey + greyTolerance) continue;
        const double d = (e.r - mean.r) * (e.r - mean.r) + (e.g - mean.g) * (e.g - mean.g) + (e.b - mean.b) * (e.b - mean.b);
        if (best < 0 || d < bestColour) {
            best = index;
            bestColour = d;
        }
    }
    return best;
}

// Palette index of pixel (col, row) from 4 x 4 samples: the mean shade of its one surface, or on
// an edge the nearest entry that still names its commonest surface.
std::uint8_t supersampledIndex(const Viewer& c, int col, int row) {
    int count[surfaceCount] = {};
    double shadeSum[surfaceCount] = {};
    Rgb sum{0, 0, 0};
    for (int j = 0; j < samplesPerSide; ++j)
        for (int i = 0; i < samplesPerSide; ++i) {
            const Sample s = sceneSample(c, col + (i + 0.5) / samplesPerSide, row + (j + 0.5) / samplesPerSide);
            const int m = surfaceIndex(s.material);
            ++count[m];
            shadeSum[m] += s.shade;
            const Rgb drawn = paletteColour(rampIndex(s));
            sum = {sum.r + drawn.r, sum.g + drawn.g, sum.b + drawn.b};
        }
    int first = 0;
    for (int m = 1; m < surfaceCount; ++m)
        if (count[m] > count[first]) first = m;
    int second = -1;
    for (int m = 0; m < surfaceCount; ++m)
        if (m != first && count[m] > 0 && (second < 0 || count[m] > count[second])) second = m;
    if (second < 0) return rampIndex({static_cast<Material>(first), shadeSum[first] / count[first]});
    std::vector<int> candidates;
    for (int k = 0; k < ramps[first].count; ++k) candidates.push_back(ramps[first].first + k);
    const int lo = first < second ? first : second;
    const int hi = first < second ? second : first;
    for (int k = 0; k < blendLevels; ++k)
        if ((k >= blendLevels / 2 ? hi : lo) == first) candidates.push_back(pairFirst(lo, hi) + k);
    constexpr double n = samplesPerSide * samplesPerSide;
    return static_cast<std::uint8_t>(nearestEntry({sum.r / n, sum.g / n, sum.b / n}, candidates));
}

}  // namespace

Material sceneMaterialAt(const Camera& camera, ImagePoint p) {
    if (!(camera.focalPx > 0)) return Material::Other;
    return sceneSample(viewerOf(camera), p.x, p.y).material;
}

Material materialOfIndex(std::uint8_t index) {
    if (index < ramps[0].first) return Material::Other;
    if (index < blendFirst) {
        for (int m = 0; m < surfaceCount; ++m)
            if (index >= ramps[m].first && index < ramps[m].first + ramps[m].count) return static_cast<Material>(m);
        return Material::Other;
    }
    for (int lo = 0; lo < surfaceCount; ++lo)
        for (int hi = lo + 1; hi < surfaceCount; ++hi) {
            const int first = pairFirst(lo, hi);
            if (index >= first && index < first + blendLevels)
                return static_cast<Material>(index - first >= blendLevels / 2 ? hi : lo);
        }
    return Material::Other;
}

const std::array<std::uint8_t, 1024>& facadePalette() {
    static const std::array<std::uint8_t, 1024> palette = makePalette();
    return palette;
}

std::vector<std::uint8_t> facadePixels() {
    const Camera& camera = facadeCamera();
    const Viewer c = viewerOf(camera);
    const auto w = static_cast<std::size_t>(camera.width);
    const auto h = static_cast<std::size_t>(camera.height);
    std::vector<std::uint8_t> pixels(w * h);

    // The scene is sampled at every pixel corner. A pixel whose four corners see the same surface
    // is flat and takes the mean shade of its corners; only pixels on an edge pay for
    // supersampling. Every feature of the façade is several pixels across, so no surface can hide
    // between the corners of a flat pixel.
    std::vector<Sample> above(w + 1), below(w + 1);
    for (std::size_t i = 0; i <= w; ++i) above[i] = sceneSample(c, static_cast<double>(i), 0);
    for (std::size_t r = 0; r < h; ++r) {
        const double y = static_cast<double>(r + 1);
        for (std::size_t i = 0; i <= w; ++i) below[i] = sceneSample(c, static_cast<double>(i), y);
        for (std::size_t i = 0; i < w; ++i) {
            const Material m = above[i].material;
            const bool flat = above[i + 1].material == m && below[i].material == m && below[i + 1].material == m;
            if (flat) {
                const double shade = (above[i].shade + above[i + 1].shade + below[i].shade + below[i + 1].shade) / 4;
                pixels[r * w + i] = rampIndex({m, shade});
            } else {
                pixels[r * w + i] = supersampledIndex(c, static_cast<int>(i), static_cast<int>(r));
            }
        }
        above.swap(below);
    }
    return pixels;
}

std::vector<std::uint8_t> facadeBitmap() {
    const Camera& c = facadeCamera();
    return encodePaletteBitmap(c.width, c.height, facadePalette(), facadePixels());
}

}  // namespace velta::sample

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "bitmap/format.h"
#include "bitmap/reader.h"
#include "sample/bmp8.h"
#include "sample/colour.h"
#include "sample/facade.h"
#include "testutils.h"
#include "util/little_endian.h"

using namespace velta::sample;

namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t>& sampleBytes() {
    static const std::vector<std::uint8_t> bytes = facadeBitmap();
    return bytes;
}

std::size_t strideOf(int width) { return (static_cast<std::size_t>(width) + 3) / 4 * 4; }

// Palette index of pixel (c, r), row 0 at the top, read from the file bytes.
std::uint8_t pixelAt(int c, int r) {
    const Camera& cam = facadeCamera();
    const std::size_t fileRow = static_cast<std::size_t>(cam.height - 1 - r);
    return sampleBytes()[1078 + fileRow * strideOf(cam.width) + static_cast<std::size_t>(c)];
}

Material materialAtPixel(int c, int r) { return materialOfIndex(pixelAt(c, r)); }

bool isFacade(Material m) {
    return m == Material::Wall || m == Material::Stone || m == Material::Frame || m == Material::Glass;
}

ImagePoint imageOf(PlanePoint p) {
    const auto q = projectToImage(facadeCamera(), p);
    EXPECT_TRUE(q.has_value());
    return q.value_or(ImagePoint{});
}

double angleDeg(ImagePoint a, ImagePoint b) { return std::atan2(b.y - a.y, b.x - a.x) * 180 / std::numbers::pi; }

// Meeting point of lines a1-a2 and b1-b2.
ImagePoint meet(ImagePoint a1, ImagePoint a2, ImagePoint b1, ImagePoint b2) {
    const double d = (a2.x - a1.x) * (b2.y - b1.y) - (a2.y - a1.y) * (b2.x - b1.x);
    const double t = ((b1.x - a1.x) * (b2.y - b1.y) - (b1.y - a1.y) * (b2.x - b1.x)) / d;
    return {a1.x + t * (a2.x - a1.x), a1.y + t * (a2.y - a1.y)};
}

using velta::testing::readFile;
using velta::testing::TempDir;

}  // namespace

TEST(SampleBitmap, hasThePlainLayoutWithTrueSizes) {
    const auto& b = sampleBytes();
    const Camera& cam = facadeCamera();
    ASSERT_GE(b.size(), 1078u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    const std::size_t stride = strideOf(cam.width);
    EXPECT_EQ(b.size(), 1078 + stride * static_cast<std::size_t>(cam.height));
    EXPECT_EQ(velta::le::u32(b, 2), b.size());                    // bfSize
    EXPECT_EQ(velta::le::u32(b, 10), 1078u);                      // bfOffBits
    EXPECT_EQ(velta::le::u32(b, 14), 40u);                        // biSize
    EXPECT_EQ(velta::le::u32(b, 18), static_cast<std::uint32_t>(cam.width));
    EXPECT_EQ(velta::le::u32(b, 22), static_cast<std::uint32_t>(cam.height));  // positive: bottom-up
    EXPECT_EQ(velta::le::u16(b, 26), 1u);
    EXPECT_EQ(velta::le::u16(b, 28), 8u);
    EXPECT_EQ(velta::le::u32(b, 30), 0u);
    EXPECT_EQ(velta::le::u32(b, 34), stride * static_cast<std::size_t>(cam.height));
    EXPECT_TRUE(velta::le::u32(b, 46) == 0 || velta::le::u32(b, 46) == 256);
    for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(b[54 + i * 4 + 3], 0) << "palette entry " << i;
    // The width leaves padding after every row; it must be zeros.
    ASSERT_GT(stride, static_cast<std::size_t>(cam.width));
    for (int r = 0; r < cam.height; ++r)
        for (std::size_t k = static_cast<std::size_t>(cam.width); k < stride; ++k)
            ASSERT_EQ(b[1078 + static_cast<std::size_t>(r) * stride + k], 0) << "row " << r;
}

TEST(SampleBitmap, fitsTheViewAndIsReadByTheProgramAsStored) {
    const Camera& cam = facadeCamera();
    EXPECT_LE(cam.width, 1000);
    EXPECT_LE(cam.height, 700);
    const auto& b = sampleBytes();
    const auto layout = velta::bitmap::parseLayout(b, b.size());
    ASSERT_TRUE(layout.ok) << layout.error;
    EXPECT_TRUE(layout.layout.plain);
    const auto read = velta::bitmap::readBitmap(b);
    ASSERT_TRUE(read.ok) << read.error;
    const auto pixels = facadePixels();
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(cam.width) * static_cast<std::size_t>(cam.height));
    for (int r = 0; r < cam.height; ++r)
        for (int c = 0; c < cam.width; ++c) {
            const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(cam.width) + static_cast<std::size_t>(c);
            ASSERT_EQ(read.image.sourceRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], pixels[at]) << c << "," << r;
        }
}

TEST(SampleBitmap, isTheSameBytesOnEveryBuild) {
    // FNV-1a of the whole file. It changes only when the picture is meant to change; a difference
    // between builds (Debug, optimised, sanitised) means the rendering is not deterministic.
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t byte : sampleBytes()) h = (h ^ byte) * 1099511628211ull;
    EXPECT_EQ(h, 5017656676280477105ull);
    EXPECT_EQ(facadeBitmap(), sampleBytes());
}

TEST(SampleBitmap, usesOnlyIndicesThatNameASurface) {
    const Camera& cam = facadeCamera();
    for (int r = 0; r < cam.height; ++r)
        for (int c = 0; c < cam.width; ++c) ASSERT_NE(materialAtPixel(c, r), Material::Other) << c << "," << r;
}

TEST(SampleEncoder, writesRowsBottomUpWithZeroPadding) {
    // A 6 x 5 "F": flipped rows, swapped axes or wrong padding all show.
    const std::vector<std::uint8_t> f = {
        1, 1, 1, 1, 0, 0,  //
        1, 0, 0, 0, 0, 0,  //
        1, 1, 1, 0, 0, 0,  //
        1, 0, 0, 0, 0, 0,  //
        1, 0, 0, 0, 0, 2,  //
    };
    std::array<std::uint8_t, 1024> pal{};
    pal[4] = 9;
    const auto b = encodePaletteBitmap(6, 5, pal, f);
    ASSERT_EQ(b.size(), 1078u + 8u * 5u);
    EXPECT_EQ(velta::le::u32(b, 2), b.size());
    EXPECT_EQ(velta::le::u32(b, 34), 40u);
    EXPECT_EQ(b[54 + 4], 9);
    const std::vector<std::uint8_t> bottom(b.begin() + 1078, b.begin() + 1086);
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 2, 0, 0}));
    const std::vector<std::uint8_t> top(b.begin() + 1078 + 32, b.end());
    EXPECT_EQ(top, (std::vector<std::uint8_t>{1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(SampleEncoder, refusesSizesThatDoNotMatchThePixels) {
    const std::array<std::uint8_t, 1024> pal{};
    EXPECT_TRUE(encodePaletteBitmap(0, 5, pal, {}).empty());
    EXPECT_TRUE(encodePaletteBitmap(3, -1, pal, {}).empty());
    EXPECT_TRUE(encodePaletteBitmap(3, 2, pal, std::vector<std::uint8_t>(5)).empty());
    EXPECT_TRUE(encodePaletteBitmap(1 << 20, 1 << 20, pal, std::vector<std::uint8_t>(4)).empty());
}

TEST(SampleCamera, anglesAreObliqueOnBothAxesAndThePrincipalPointIsTheCentre) {
    const Camera& c = facadeCamera();
    EXPECT_GE(c.yawDeg, 20);
    EXPECT_LE(c.yawDeg, 35);
    EXPECT_GE(c.pitchDeg, 10);
    EXPECT_LE(c.pitchDeg, 20);
    EXPECT_GE(c.rollDeg, 1);
    EXPECT_LE(c.rollDeg, 3);
    EXPECT_EQ(c.principalX, c.width / 2.0);
    EXPECT_EQ(c.principalY, c.height / 2.0);
    EXPECT_GT(c.focalPx, 0);
}

TEST(SampleCamera, rotationIsTheOneTheAnglesDescribe) {
    const Camera& c = facadeCamera();
    const double k = std::numbers::pi / 180;
    const double y = c.yawDeg * k, p = c.pitchDeg * k, r = c.rollDeg * k;
    // Ry(yaw) * Rx(pitch) * Rz(roll), multiplied out.
    const double expected[3][3] = {
        {std::cos(y) * std::cos(r) + std::sin(y) * std::sin(p) * std::sin(r),
         -std::cos(y) * std::sin(r) + std::sin(y) * std::sin(p) * std::cos(r), std::sin(y) * std::cos(p)},
        {std::cos(p) * std::sin(r), std::cos(p) * std::cos(r), -std::sin(p)},
        {-std::sin(y) * std::cos(r) + std::cos(y) * std::sin(p) * std::sin(r),
         std::sin(y) * std::sin(r) + std::cos(y) * std::sin(p) * std::cos(r), std::cos(y) * std::cos(p)},
    };
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(c.worldFromCamera[i][j], expected[i][j], 1e-15) << i << j;
}

TEST(SampleCamera, projectionAndItsInverseRoundTrip) {
    const Camera& c = facadeCamera();
    for (double u = -2; u <= 26; u += 2.5)
        for (double v = -1; v <= 15; v += 1.75) {
            const auto img = projectToImage(c, {u, v});
            ASSERT_TRUE(img.has_value());
            const auto back = imageToPlane(c, *img);
            ASSERT_TRUE(back.has_value());
            EXPECT_NEAR(back->u, u, 1e-9);
            EXPECT_NEAR(back->v, v, 1e-9);
        }
    const auto p = imageToPlane(c, {12.25, 600.5});
    ASSERT_TRUE(p.has_value());
    const auto q = projectToImage(c, *p);
    ASSERT_TRUE(q.has_value());
    EXPECT_NEAR(q->x, 12.25, 1e-9);
    EXPECT_NEAR(q->y, 600.5, 1e-9);
}

TEST(SampleCamera, refusesPointsBehindItAndRaysThatMissThePlane) {
    const Camera& c = facadeCamera();
    EXPECT_FALSE(projectToImage(c, {-1000, 0}).has_value());
    EXPECT_FALSE(imageToPlane(c, {1e7, 0}).has_value());
    EXPECT_FALSE(imageToPlane(c, {std::nan(""), 10}).has_value());
    EXPECT_FALSE(projectToImage(c, {std::nan(""), 10}).has_value());
    EXPECT_FALSE(imageToPlane(Camera{}, {1, 1}).has_value());
}

TEST(SampleCamera, vanishingPointsOfTheFacadeAxesAreOrthogonalAboutThePrincipalPoint) {
    // For a pinhole camera the vanishing points of two perpendicular directions satisfy
    // (vh - p) . (vv - p) = -f^2: what the distance circle of the orientation relies on.
    const Camera& c = facadeCamera();
    const auto vh = vanishingPoint(c, 1, 0);
    const auto vv = vanishingPoint(c, 0, 1);
    ASSERT_TRUE(vh && vv);
    const double dot = (vh->x - c.principalX) * (vv->x - c.principalX) + (vh->y - c.principalY) * (vv->y - c.principalY);
    EXPECT_NEAR(dot, -c.focalPx * c.focalPx, 1e-6 * c.focalPx * c.focalPx);
    EXPECT_GT(vh->x, c.width);  // the façade's horizontals converge to the right
    EXPECT_LT(vv->y, 0);        // its verticals converge upwards
}

TEST(SampleGeometry, facadeIsInsideThePictureAndFillsMostOfIt) {
    const Camera& cam = facadeCamera();
    const Quad& q = facadeGeometry().facade;
    const ImagePoint pts[4] = {q.topLeft, q.topRight, q.bottomRight, q.bottomLeft};
    double area2 = 0;
    for (int i = 0; i < 4; ++i) {
        const ImagePoint a = pts[i], b = pts[(i + 1) % 4];
        EXPECT_GE(a.x, 10);
        EXPECT_LE(a.x, cam.width - 10);
        EXPECT_GE(a.y, 10);
        EXPECT_LE(a.y, cam.height - 10);
        area2 += a.x * b.y - b.x * a.y;
    }
    EXPECT_GT(std::abs(area2) / 2, 0.5 * cam.width * cam.height);
}

TEST(SampleGeometry, bothPairsOfEdgesConvergeAtTheVanishingPoints) {
    const Quad& q = facadeGeometry().facade;
    const double top = angleDeg(q.topLeft, q.topRight), bottom = angleDeg(q.bottomLeft, q.bottomRight);
    const double left = angleDeg(q.bottomLeft, q.topLeft), right = angleDeg(q.bottomRight, q.topRight);
    EXPECT_GT(std::abs(top - bottom), 5);  // far from parallel: the program would refuse parallel lines
    EXPECT_GT(std::abs(left - right), 5);
    const auto vh = vanishingPoint(facadeCamera(), 1, 0);
    const auto vv = vanishingPoint(facadeCamera(), 0, 1);
    ASSERT_TRUE(vh && vv);
    const ImagePoint h = meet(q.topLeft, q.topRight, q.bottomLeft, q.bottomRight);
    const ImagePoint v = meet(q.bottomLeft, q.topLeft, q.bottomRight, q.topRight);
    EXPECT_NEAR(h.x, vh->x, 1e-6);
    EXPECT_NEAR(h.y, vh->y, 1e-6);
    EXPECT_NEAR(v.x, vv->x, 1e-6);
    EXPECT_NEAR(v.y, vv->y, 1e-6);
}

TEST(SampleMaterials, windowCentresAreGlassAndTheWallBetweenIsWall) {
    const FacadeGeometry& g = facadeGeometry();
    ASSERT_EQ(g.windows.size(), static_cast<std::size_t>(g.windowColumns * g.windowRows));
    EXPECT_EQ(g.windows[1].column, 1);  // reading order: rows from the top, columns from the left
    EXPECT_EQ(g.windows[static_cast<std::size_t>(g.windowColumns)].row, 1);
    EXPECT_LT(g.windows.front().image.topLeft.y, g.windows.back().image.topLeft.y);
    const double half = g.windowSizeM / 2;
    for (const Window& w : g.windows) {
        const ImagePoint centre = imageOf({w.lowerLeft.u + half, w.lowerLeft.v + half});
        EXPECT_EQ(materialAtPixel(static_cast<int>(centre.x), static_cast<int>(centre.y)), Material::Glass)
            << "window " << w.row << "," << w.column;
        const ImagePoint wall = imageOf({w.lowerLeft.u - 0.8, w.lowerLeft.v + half});
        EXPECT_EQ(materialAtPixel(static_cast<int>(wall.x), static_cast<int>(wall.y)), Material::Wall)
            << "left of window " << w.row << "," << w.column;
    }
    const ImagePoint frame = imageOf({g.windows[0].lowerLeft.u + 0.06, g.windows[0].lowerLeft.v + half});
    EXPECT_EQ(materialAtPixel(static_cast<int>(frame.x), static_cast<int>(frame.y)), Material::Frame);
    const ImagePoint cornice = imageOf({g.widthM / 2, g.heightM - 0.3});
    EXPECT_EQ(materialAtPixel(static_cast<int>(cornice.x), static_cast<int>(cornice.y)), Material::Stone);
    const Camera& cam = facadeCamera();
    EXPECT_EQ(materialAtPixel(cam.width - 3, 3), Material::Sky);
    EXPECT_EQ(materialAtPixel(cam.width / 2, cam.height - 3), Material::Ground);
}

TEST(SampleMaterials, pixelsFollowTheFacadeOutlineToAFractionOfAPixel) {
    // Pixel (c, r) covers [c, c+1) x [r, r+1). Where an edge crosses a column at the pixel centre
    // x = c + 0.5, the pixel rows wholly on one side show that side, and the pixel the edge cuts
    // shows the side that covers clearly most of it. Half a pixel of shift in the renderer or in
    // the exposed geometry fails this.
    // For a vertical edge the same walk runs with x and y exchanged.
    auto checkEdge = [](ImagePoint a, ImagePoint b, bool vertical, bool facadeAfter) {
        if (vertical) {
            std::swap(a.x, a.y);
            std::swap(b.x, b.y);
        }
        auto facadeAt = [vertical](int i, int j) { return isFacade(vertical ? materialAtPixel(j, i) : materialAtPixel(i, j)); };
        for (double t = 0.1; t < 0.95; t += 0.1) {
            const int i = static_cast<int>(a.x + t * (b.x - a.x));
            const double across = a.y + (i + 0.5 - a.x) * (b.y - a.y) / (b.x - a.x);
            const int j = static_cast<int>(std::floor(across));
            EXPECT_EQ(facadeAt(i, j - 1), !facadeAfter) << i << "," << j - 1 << (vertical ? " (swapped)" : "");
            EXPECT_EQ(facadeAt(i, j + 1), facadeAfter) << i << "," << j + 1 << (vertical ? " (swapped)" : "");
            const double before = across - j;  // share of the cut pixel before the edge
            if (before > 0.8) {
                EXPECT_EQ(facadeAt(i, j), !facadeAfter) << i << "," << j;
            }
            if (before < 0.2) {
                EXPECT_EQ(facadeAt(i, j), facadeAfter) << i << "," << j;
            }
        }
    };
    const Quad& q = facadeGeometry().facade;
    checkEdge(q.topLeft, q.topRight, false, true);
    checkEdge(q.bottomLeft, q.bottomRight, false, false);
    checkEdge(q.topLeft, q.bottomLeft, true, true);
    checkEdge(q.topRight, q.bottomRight, true, false);
}

TEST(SampleFile, isWrittenOnceAndNeverOverwritten) {
    EXPECT_STREQ(sampleFileName(), "facciata.bmp");
    TempDir dir;
    const fs::path target = dir.path() / "data" / "velta300" / "facciata.bmp";
    std::string error = "stale";
    ASSERT_TRUE(ensureSampleFacade((dir.path() / "data" / "velta300").string(), error)) << error;
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(readFile(target), sampleBytes());
    // Nothing else is left behind: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);

    std::ofstream(target, std::ios::binary | std::ios::trunc) << "mine";
    ASSERT_TRUE(ensureSampleFacade(target.parent_path().string(), error)) << error;
    EXPECT_EQ(readFile(target), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
}

TEST(SampleFile, reportsAnItalianReasonWhenItCannotWrite) {
    TempDir dir;
    const fs::path notADir = dir.path() / "file";
    std::ofstream(notADir) << "x";
    std::string error;
    EXPECT_FALSE(ensureSampleFacade(notADir.string(), error));
    EXPECT_NE(error.find("Impossibile"), std::string::npos) << error;
    EXPECT_FALSE(ensureSampleFacade("", error));
    EXPECT_FALSE(error.empty());
}

TEST(SampleFile, callsTheWriterOnlyWhenTheFileIsMissingAndLeavesNothingWhenItFails) {
    TempDir dir;
    const std::string folder = (dir.path() / "data").string();
    std::string error;
    int calls = 0;
    const SampleWriter failing = [&calls](const std::string& path) {
        ++calls;
        std::ofstream(path) << "half";
        return false;
    };
    EXPECT_FALSE(ensureSampleFile(folder, "facciata.jpg", failing, error));
    EXPECT_NE(error.find("Impossibile"), std::string::npos) << error;
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(fs::is_empty(folder));  // neither the name nor a temporary file is left

    std::ofstream(fs::path(folder) / "facciata.jpg") << "mine";
    EXPECT_TRUE(ensureSampleFile(folder, "facciata.jpg", failing, error)) << error;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(readFile(fs::path(folder) / "facciata.jpg"), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
}

namespace {

struct Rgb8 {
    int r, g, b;
};

std::ostream& operator<<(std::ostream& out, Rgb8 c) { return out << "rgb(" << c.r << "," << c.g << "," << c.b << ")"; }

Rgb8 colourAt(const velta::Picture& p, ImagePoint q) {
    const int x = static_cast<int>(std::floor(q.x)), y = static_cast<int>(std::floor(q.y));
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) {
        ADD_FAILURE() << "outside the picture: " << q.x << "," << q.y;
        return {0, 0, 0};
    }
    const std::uint32_t v = p.row(y)[x];
    return {static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v & 0xFF)};
}

// What each surface looks like: the sky blue, the glass dark and bluish, the plaster ochre, the
// frames white, the travertine pale and warm, the paving a warm grey; the plinth a bluish grey.
bool looksLike(Material m, Rgb8 c) {
    switch (m) {
    case Material::Sky: return c.b > c.r + 40 && c.b > 150;
    case Material::Glass: return c.b > c.r + 15 && c.b < 150;
    case Material::Wall: return c.r > c.g && c.g > c.b && c.r - c.b > 60;
    case Material::Frame: return c.r > 215 && c.g > 215 && c.b > 215;
    case Material::Stone: return c.r > 190 && c.r - c.b >= 15 && c.r - c.b < 50;
    case Material::Ground: return c.r - c.b > 10 && c.r - c.b < 35 && c.r > 140 && c.r < 200;
    default: return false;
    }
}

bool looksLikePlinth(Rgb8 c) { return c.b >= c.r && c.r > 100 && c.r < 160; }

// The colour sample at a quarter of its full size on each side, by the same camera scaled.
const Camera& quarterCamera() {
    static const Camera camera = colourCamera(colourSampleWidth / 4, colourSampleHeight / 4);
    return camera;
}

const velta::Picture& quarterSample() {
    static const velta::Picture picture = renderColourFacade(quarterCamera());
    return picture;
}

}  // namespace

TEST(ColourSample, hasTheBitmapSamplesPoseAndTrueSizesScaledToItsPicture) {
    const Camera& bitmap = facadeCamera();
    const Camera same = colourCamera(bitmap.width, bitmap.height);
    EXPECT_EQ(same.focalPx, bitmap.focalPx);
    EXPECT_EQ(same.principalX, bitmap.principalX);
    EXPECT_EQ(same.principalY, bitmap.principalY);
    EXPECT_EQ(same.worldFromCamera, bitmap.worldFromCamera);
    EXPECT_EQ(same.distanceM, bitmap.distanceM);

    // At full size the principal point is the centre and every corner of the façade and of its
    // windows is where the bitmap shows it, scaled about the centre by the ratio of the heights.
    const Camera full = colourCamera(colourSampleWidth, colourSampleHeight);
    EXPECT_EQ(full.width, 6000);
    EXPECT_EQ(full.height, 4000);
    EXPECT_EQ(full.principalX, 3000);
    EXPECT_EQ(full.principalY, 2000);
    const double s = 4000.0 / bitmap.height;
    const FacadeGeometry& b = facadeGeometry();
    const FacadeGeometry c = facadeGeometryFor(full);
    EXPECT_EQ(c.widthM, 24);
    EXPECT_EQ(c.heightM, 14);
    EXPECT_EQ(c.windowSizeM, 1.6);
    auto expectScaled = [&](const Quad& small, const Quad& large) {
        const ImagePoint sp[4] = {small.topLeft, small.topRight, small.bottomRight, small.bottomLeft};
        const ImagePoint lp[4] = {large.topLeft, large.topRight, large.bottomRight, large.bottomLeft};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(lp[i].x, 3000 + s * (sp[i].x - bitmap.principalX), 1e-6) << i;
            EXPECT_NEAR(lp[i].y, 2000 + s * (sp[i].y - bitmap.principalY), 1e-6) << i;
        }
    };
    expectScaled(b.facade, c.facade);
    ASSERT_EQ(c.windows.size(), b.windows.size());
    for (std::size_t i = 0; i < b.windows.size(); ++i) expectScaled(b.windows[i].image, c.windows[i].image);

    // The whole façade is in the picture, with room around it to see its corners.
    for (const ImagePoint p : {c.facade.topLeft, c.facade.topRight, c.facade.bottomRight, c.facade.bottomLeft}) {
        EXPECT_GT(p.x, 100);
        EXPECT_LT(p.x, 5900);
        EXPECT_GT(p.y, 100);
        EXPECT_LT(p.y, 3900);
    }
}

TEST(ColourSample, showsEachSurfaceInItsColourWhereTheGeometryPutsIt) {
    const Camera& cam = quarterCamera();
    const velta::Picture& pic = quarterSample();
    ASSERT_EQ(pic.width, 1500);
    ASSERT_EQ(pic.height, 1000);
    auto seen = [&](double u, double v) { return colourAt(pic, projectToImage(cam, {u, v}).value_or(ImagePoint{-1, -1})); };

    const FacadeGeometry g = facadeGeometryFor(cam);
    const double half = g.windowSizeM / 2;
    for (const Window& w : g.windows) {
        const double u = w.lowerLeft.u, v = w.lowerLeft.v;
        EXPECT_PRED2(looksLike, Material::Glass, seen(u + half, v + half)) << "window " << w.row << "," << w.column;
        EXPECT_PRED2(looksLike, Material::Frame, seen(u + 0.06, v + half)) << "window " << w.row << "," << w.column;
        EXPECT_PRED2(looksLike, Material::Wall, seen(u - 0.8, v + half)) << "window " << w.row << "," << w.column;
    }
    EXPECT_PRED2(looksLike, Material::Stone, seen(g.widthM / 2, g.heightM - 0.3));  // the cornice
    EXPECT_PRED2(looksLike, Material::Stone, seen(g.widthM / 2, 3.85));             // the string course
    EXPECT_PRED1(looksLikePlinth, seen(g.widthM / 2 + 0.6, 0.25));  // the plinth, between two joints
    EXPECT_PRED2(looksLike, Material::Sky, colourAt(pic, {pic.width - 3.0, 3}));
    EXPECT_PRED2(looksLike, Material::Ground, colourAt(pic, {pic.width / 2.0, pic.height - 3.0}));

    // A few pixels beyond each corner of the façade lie the sky above and the paving below, and
    // as far within it the cornice and the plinth.
    const Quad& q = g.facade;
    EXPECT_PRED2(looksLike, Material::Sky, colourAt(pic, {q.topLeft.x - 3, q.topLeft.y - 3}));
    EXPECT_PRED2(looksLike, Material::Stone, colourAt(pic, {q.topLeft.x + 3, q.topLeft.y + 3}));
    EXPECT_PRED2(looksLike, Material::Sky, colourAt(pic, {q.topRight.x + 3, q.topRight.y - 3}));
    EXPECT_PRED2(looksLike, Material::Stone, colourAt(pic, {q.topRight.x - 3, q.topRight.y + 3}));
    EXPECT_PRED2(looksLike, Material::Ground, colourAt(pic, {q.bottomLeft.x - 3, q.bottomLeft.y + 3}));
    EXPECT_PRED1(looksLikePlinth, colourAt(pic, {q.bottomLeft.x + 3, q.bottomLeft.y - 3}));
    EXPECT_PRED2(looksLike, Material::Ground, colourAt(pic, {q.bottomRight.x + 3, q.bottomRight.y + 3}));
    EXPECT_PRED1(looksLikePlinth, colourAt(pic, {q.bottomRight.x - 3, q.bottomRight.y - 3}));
}

TEST(ColourSample, edgesAreSmoothAndTheRenderingIsRefusedWithoutACamera) {
    // A pixel that the façade's left edge cuts is a mixture of the sky and the plaster in the
    // shares the edge gives them: the picture is anti-aliased, and the edge is where it belongs.
    const Camera& cam = quarterCamera();
    const velta::Picture& pic = quarterSample();
    const FacadeGeometry g = facadeGeometryFor(cam);
    const Quad& q = g.facade;
    int cut = 0;
    for (double t = 0.2; t < 0.45; t += 0.01) {  // along the left edge, between the cornice and the string course
        const double y = std::floor(q.topLeft.y + t * (q.bottomLeft.y - q.topLeft.y)) + 0.5;
        const double x = q.topLeft.x + (y - q.topLeft.y) * (q.bottomLeft.x - q.topLeft.x) / (q.bottomLeft.y - q.topLeft.y);
        const double outside = x - std::floor(x);  // share of the cut pixel left of the edge, in the sky
        const Rgb8 sky = colourAt(pic, {x - 2, y}), wall = colourAt(pic, {x + 2, y}), c = colourAt(pic, {x, y});
        ASSERT_PRED2(looksLike, Material::Sky, sky);
        ASSERT_PRED2(looksLike, Material::Wall, wall);
        const double skyShare = static_cast<double>(c.r - wall.r) / (sky.r - wall.r);
        EXPECT_NEAR(skyShare, outside, 0.15) << c << " at " << x << "," << y;
        ++cut;
    }
    EXPECT_GT(cut, 10);

    EXPECT_TRUE(renderColourFacade(Camera{}).empty());
    Camera empty = cam;
    empty.width = 0;
    EXPECT_TRUE(renderColourFacade(empty).empty());
    EXPECT_STREQ(colourSampleFileName(), "facciata.jpg");
}

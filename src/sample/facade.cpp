// The sample's camera, its projection to and from the façade plane, and the façade layout.
//
// World frame: X = u (along the façade), Y = -v (downwards, like image y), Z into the façade;
// the façade plane is Z = 0 and the camera stands at Z = -distanceM. Camera frame: x along image
// x, y along image y, z along the optical axis. A world point P is seen at
//     (x, y) = principal point + focalPx * (Pc.x / Pc.z, Pc.y / Pc.z),  Pc = R^T (P - C),
// where R = worldFromCamera = Ry(yaw) * Rx(pitch) * Rz(roll).
//
// The sines and cosines of the three angles are written out as decimal constants (the doubles
// nearest to the true values) rather than computed with sin and cos, so that the matrix and
// everything rendered from it is the same on every build and every C library.

#include "sample/facade.h"

#include "sample/layout.h"

namespace velta::sample {

namespace {

using Mat3 = std::array<std::array<double, 3>, 3>;

Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const auto ui = static_cast<std::size_t>(i);
            const auto uj = static_cast<std::size_t>(j);
            m[ui][uj] = a[ui][0] * b[0][uj] + a[ui][1] * b[1][uj] + a[ui][2] * b[2][uj];
        }
    return m;
}

Camera makeFacadeCamera() {
    // yaw 26 degrees, pitch 14 degrees, roll 2 degrees
    constexpr double sinYaw = 0.4383711467890774, cosYaw = 0.898794046299167;
    constexpr double sinPitch = 0.24192189559966773, cosPitch = 0.9702957262759965;
    constexpr double sinRoll = 0.03489949670250097, cosRoll = 0.9993908270190958;
    const Mat3 ry{{{cosYaw, 0, sinYaw}, {0, 1, 0}, {-sinYaw, 0, cosYaw}}};
    const Mat3 rx{{{1, 0, 0}, {0, cosPitch, -sinPitch}, {0, sinPitch, cosPitch}}};
    const Mat3 rz{{{cosRoll, -sinRoll, 0}, {sinRoll, cosRoll, 0}, {0, 0, 1}}};

    Camera c;
    c.focalPx = 860;
    c.yawDeg = 26;
    c.pitchDeg = 14;
    c.rollDeg = 2;
    c.width = 958;
    c.height = 678;
    c.principalX = c.width / 2.0;
    c.principalY = c.height / 2.0;
    c.positionU = -0.7;
    c.positionV = 1.6;
    c.distanceM = 19.5;
    c.worldFromCamera = multiply(multiply(ry, rx), rz);
    return c;
}

struct Vec3 {
    double x, y, z;
};

// Camera-frame coordinates of the world vector d (a direction or an offset from the camera).
Vec3 toCamera(const Camera& c, Vec3 d) {
    const Mat3& r = c.worldFromCamera;
    return {r[0][0] * d.x + r[1][0] * d.y + r[2][0] * d.z,
            r[0][1] * d.x + r[1][1] * d.y + r[2][1] * d.z,
            r[0][2] * d.x + r[1][2] * d.y + r[2][2] * d.z};
}

// Smallest camera depth that is still taken as in front of the camera.
constexpr double minDepth = 1e-9;

Quad imageQuad(const Camera& c, PlanePoint lowerLeft, double w, double h) {
    auto at = [&](double u, double v) { return projectToImage(c, {u, v}).value_or(ImagePoint{}); };
    return {at(lowerLeft.u, lowerLeft.v + h), at(lowerLeft.u + w, lowerLeft.v + h),
            at(lowerLeft.u + w, lowerLeft.v), at(lowerLeft.u, lowerLeft.v)};
}

FacadeGeometry makeFacadeGeometry() {
    const Camera& c = facadeCamera();
    FacadeGeometry g;
    g.widthM = layout::widthM;
    g.heightM = layout::heightM;
    g.windowSizeM = layout::windowM;
    g.windowColumns = layout::columns;
    g.windowRows = layout::rows;
    g.facade = imageQuad(c, {0, 0}, layout::widthM, layout::heightM);
    for (int row = 0; row < layout::rows; ++row)
        for (int col = 0; col < layout::columns; ++col) {
            const PlanePoint ll{layout::windowLeftU(col), layout::windowBottomV(row)};
            g.windows.push_back({row, col, ll, imageQuad(c, ll, layout::windowM, layout::windowM)});
        }
    return g;
}

}  // namespace

const Camera& facadeCamera() {
    static const Camera camera = makeFacadeCamera();
    return camera;
}

const FacadeGeometry& facadeGeometry() {
    static const FacadeGeometry geometry = makeFacadeGeometry();
    return geometry;
}

std::optional<ImagePoint> projectToImage(const Camera& camera, PlanePoint p) {
    const Vec3 pc = toCamera(camera, {p.u - camera.positionU, camera.positionV - p.v, camera.distanceM});
    if (!(pc.z > minDepth)) return std::nullopt;
    return ImagePoint{camera.principalX + camera.focalPx * (pc.x / pc.z),
                      camera.principalY + camera.focalPx * (pc.y / pc.z)};
}

std::optional<PlanePoint> imageToPlane(const Camera& camera, ImagePoint p) {
    if (!(camera.focalPx > 0)) return std::nullopt;
    const Mat3& r = camera.worldFromCamera;
    const double cx = (p.x - camera.principalX) / camera.focalPx;
    const double cy = (p.y - camera.principalY) / camera.focalPx;
    const double dx = r[0][0] * cx + r[0][1] * cy + r[0][2];
    const double dy = r[1][0] * cx + r[1][1] * cy + r[1][2];
    const double dz = r[2][0] * cx + r[2][1] * cy + r[2][2];
    if (!(dz > minDepth)) return std::nullopt;  // the ray runs parallel to the plane or away from it
    const double t = camera.distanceM / dz;
    const PlanePoint q{camera.positionU + t * dx, camera.positionV - t * dy};
    if (!(q.u == q.u) || !(q.v == q.v)) return std::nullopt;  // NaN from a NaN input
    return q;
}

std::optional<ImagePoint> vanishingPoint(const Camera& camera, double du, double dv) {
    const Vec3 d = toCamera(camera, {du, -dv, 0});
    if (!(d.z > minDepth || d.z < -minDepth)) return std::nullopt;
    return ImagePoint{camera.principalX + camera.focalPx * (d.x / d.z),
                      camera.principalY + camera.focalPx * (d.y / d.z)};
}

Material facadeMaterialAt(PlanePoint p) {
    using namespace layout;
    if (!(p.u >= 0 && p.u <= widthM && p.v >= 0 && p.v <= heightM)) return Material::Other;
    if (p.v >= corniceBottomV || p.v < plinthTopV) return Material::Stone;
    if (p.v >= stringCourseBottomV && p.v < stringCourseTopV) return Material::Stone;
    const WindowHit w = windowAt(p.u, p.v);
    if (w.inside) return w.glass ? Material::Glass : Material::Frame;
    return Material::Wall;
}

}  // namespace velta::sample

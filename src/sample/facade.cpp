// The sample's camera (in the frames of sample/camera.h) and the façade layout.
//
// The sines and cosines of the three angles are written out as decimal constants (the doubles
// nearest to the true values) rather than computed with sin and cos, so that the matrix and
// everything rendered from it is the same on every build and every C library.

#include "sample/facade.h"

#include "sample/layout.h"

namespace velta::sample {

namespace {

Camera makeFacadeCamera() {
    // yaw 26 degrees, pitch 14 degrees, roll 2 degrees
    const Turns turns{0.4383711467890774, 0.898794046299167,     // sin, cos yaw
                      0.24192189559966773, 0.9702957262759965,   // pitch
                      0.03489949670250097, 0.9993908270190958};  // roll
    Placement p;
    p.focalPx = 860;
    p.yawDeg = 26;
    p.pitchDeg = 14;
    p.rollDeg = 2;
    p.width = 958;
    p.height = 678;
    p.principalX = p.width / 2.0;
    p.principalY = p.height / 2.0;
    p.positionU = -0.7;
    p.positionV = 1.6;
    p.distance = 19.5;
    return makeCamera(p, turns);
}

Quad imageQuad(const Camera& c, PlanePoint lowerLeft, double w, double h) {
    auto at = [&](double u, double v) { return projectToImage(c, {u, v}).value_or(ImagePoint{}); };
    return {at(lowerLeft.u, lowerLeft.v + h), at(lowerLeft.u + w, lowerLeft.v + h),
            at(lowerLeft.u + w, lowerLeft.v), at(lowerLeft.u, lowerLeft.v)};
}

}  // namespace

FacadeGeometry facadeGeometryFor(const Camera& c) {
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

const Camera& facadeCamera() {
    static const Camera camera = makeFacadeCamera();
    return camera;
}

const FacadeGeometry& facadeGeometry() {
    static const FacadeGeometry geometry = facadeGeometryFor(facadeCamera());
    return geometry;
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

#pragma once
// The pixels of the marks drawn on a picture surface. Coordinates are real numbers in image
// pixels; each is rounded to the nearest pixel the same way every time, so that a figure drawn
// twice covers exactly the same pixels. Figures are clipped to the image first: vanishing points
// and circles may lie far outside it, and only what falls inside is ever rasterised.

#include <QPoint>
#include <QSize>
#include <vector>

namespace velta::qt {

/// The pixels of the segment between two points, inside an image of the given size, each once.
std::vector<QPoint> segmentPixels(double x1, double y1, double x2, double y2, QSize image);
/// The pixels of the outline of the rectangle with corners (x1, y1) and (x2, y2), each once.
std::vector<QPoint> rectPixels(double x1, double y1, double x2, double y2, QSize image);
/// The pixels of the outline of the circle of centre (cx, cy) and radius r, each once.
std::vector<QPoint> circlePixels(double cx, double cy, double r, QSize image);

}  // namespace velta::qt

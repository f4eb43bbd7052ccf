#pragma once
// Marks on a recording surface written as text, so that a sequence of drawing calls compares in
// one expectation and a difference reads at a glance.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/recording_window.h"

namespace velta::testing {

/// A segment, a rectangle from two corners, or a circle (centre and radius), as drawn.
inline DrawOp segment(double x1, double y1, double x2, double y2, Color c = pureRed,
                      DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Line, x1, y1, x2, y2, c, m};
}
inline DrawOp rectangle(double x1, double y1, double x2, double y2, Color c = pureRed,
                        DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Rect, x1, y1, x2, y2, c, m};
}
inline DrawOp circle(double cx, double cy, double r, Color c = pureRed, DrawMode m = DrawMode::CopyPen) {
    return {DrawOp::Circle, cx, cy, r, 0, c, m};
}

inline std::string describe(const DrawOp& op) {
    static const char* kinds[] = {"line", "rect", "circle", "?"};
    static const char* modes[] = {"copy", "invert", "black", "?"};
    char text[160];
    std::snprintf(text, sizeof text, "%s %.17g,%.17g %.17g,%.17g #%06x %s", kinds[op.kind],
                  op.x1, op.y1, op.x2, op.y2, static_cast<unsigned>(op.color.value),
                  modes[static_cast<int>(op.mode)]);
    return text;
}

inline std::vector<std::string> describe(const std::vector<DrawOp>& ops) {
    std::vector<std::string> out;
    for (const DrawOp& op : ops) out.push_back(describe(op));
    return out;
}

/// The marks drawn from index `from` on (the marks since the last refresh by default).
inline std::vector<DrawOp> marksSince(const RecordingSurface& p, std::size_t from = 0) {
    return {p.ops.begin() + static_cast<std::ptrdiff_t>(from), p.ops.end()};
}

#define EXPECT_MARKS(got, ...) \
    EXPECT_EQ(::velta::testing::describe(got), ::velta::testing::describe(std::vector<DrawOp>{__VA_ARGS__}))

}  // namespace velta::testing

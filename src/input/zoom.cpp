// The zoom window: opening, loading, resizing, the zoom steps, scrolling, the grid, the fit.
#include "input/zoom.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "text/numtext.h"

namespace velta {

namespace {

bool colourRoad(const State& s) {
    return s.image.road == Road::colour;
}

// The picture the window shows, in pixels: the rectified one once a rectification exists.
double shownWidth(const State& s) {
    return s.raddrCount != 0 ? static_cast<double>(s.rectViewWidth) : static_cast<double>(s.imageWidth);
}
double shownHeight(const State& s) {
    return s.raddrCount != 0 ? s.rectViewHeight : static_cast<double>(s.imageHeight);
}

// The largest size of the picture, and of a bar's range, in twips. The plain road keeps 16-bit
// values. The colour road's photographs are far larger: their picture may grow to eight times
// its size on screen (a 6000-pixel picture to 48000 pixels, 720000 twips), and never has less
// room than a plain picture.
double extentLimit(const State& s, const ZoomWindow& z) {
    if (!colourRoad(s)) return zoomLimit;
    const double side = std::max(shownWidth(s), shownHeight(s));
    const double grown = colourMagnification * side * z.twipsPerPixel();
    if (!std::isfinite(grown)) return zoomLimit;
    return std::clamp(grown, zoomLimit, colourZoomCeiling);
}

// A maximum or position as the state holds it: 16 bits on the plain road, 32 on the colour road.
std::int32_t held(const State& s, int value) {
    return colourRoad(s) ? value : static_cast<std::int16_t>(value);
}

// The range of a bar: the excess of the picture over the window, as a 16-bit value on the plain
// road and a 32-bit one on the colour road.
int excess(const State& s, double picture, double window) {
    if (colourRoad(s))
        return text::toInt32(picture - window)
            .value_or(picture > window ? std::numeric_limits<std::int32_t>::max()
                                       : std::numeric_limits<std::int32_t>::min());
    return text::toInt16(picture - window).value_or(picture > window ? INT16_MAX : INT16_MIN);
}

// Sets both maxima from the current sizes and keeps the positions within them. A bar that a
// smaller range pulls back has changed as if moved, and the picture follows it; otherwise a
// picture scrolled away would stay there with nothing left to scroll it back.
void setMaxima(State& s, ZoomWindow& z) {
    ZoomBar v = z.vBar(), h = z.hBar();
    v.maximum = excess(s, z.imageHeight(), z.height());
    h.maximum = excess(s, z.imageWidth(), z.width());
    s.vScrollMax = static_cast<float>(v.maximum);
    s.hScrollMax = held(s, h.maximum);
    const bool vMoved = v.value > std::max(0, v.maximum), hMoved = h.value > std::max(0, h.maximum);
    v.value = std::clamp(v.value, 0, std::max(0, v.maximum));
    h.value = std::clamp(h.value, 0, std::max(0, h.maximum));
    z.setVBar(v);
    z.setHBar(h);
    if (vMoved) {
        s.zoomVPos = held(s, v.value);
        z.setImagePosition(z.imageLeft(), -s.zoomVPos);
    }
    if (hMoved) {
        s.zoomHPos = held(s, h.value);
        z.setImagePosition(-s.zoomHPos, z.imageTop());
    }
}

bool fits(double extent, double limit) { return std::isfinite(extent) && extent <= limit; }

// Whether the picture's excess over the window can be a bar's range.
bool rangesFit(const State& s, const ZoomWindow& z) {
    const double limit = extentLimit(s, z);
    return fits(z.imageHeight() - z.height(), limit) && fits(z.imageWidth() - z.width(), limit);
}

// A zoom step by the current factor, unless the picture would leave the shown range.
bool applyStep(State& s, ZoomWindow& z) {
    const double w = z.imageWidth() / s.zoomFactor, h = z.imageHeight() / s.zoomFactor;
    const double limit = extentLimit(s, z);
    if (!fits(w, limit) || !fits(h, limit) || !fits(w - z.width(), limit) || !fits(h - z.height(), limit))
        return false;
    s.prevHScrollMax = s.hScrollMax == 0 ? 1 : s.hScrollMax;
    s.prevVScrollMax = s.vScrollMax == 0 ? 1.0f : s.vScrollMax;
    z.setImageSize(w, h);
    setMaxima(s, z);
    const double hPos = static_cast<double>(s.zoomHPos) * s.hScrollMax / s.prevHScrollMax;
    const double vPos = static_cast<double>(s.zoomVPos) * static_cast<double>(s.vScrollMax) /
                        static_cast<double>(s.prevVScrollMax);
    ZoomBar hb = z.hBar(), vb = z.vBar();
    hb.value = std::clamp(text::toInt32(hPos).value_or(0), 0, std::max(0, hb.maximum));
    vb.value = std::clamp(text::toInt32(vPos).value_or(0), 0, std::max(0, vb.maximum));
    s.zoomHPos = held(s, hb.value);
    s.zoomVPos = held(s, vb.value);
    z.setHBar(hb);
    z.setVBar(vb);
    z.setImagePosition(-s.zoomHPos, -s.zoomVPos);
    return true;
}

// The picture size at 10 twips per image pixel, or smaller when that would leave the range.
void pictureSizeFor(ZoomWindow& z, double w, double h, double limit) {
    const double scale = std::min(10.0, limit / std::max({w, h, 1.0}));
    z.setImageSize(std::floor(w * scale), std::floor(h * scale));
}

}  // namespace

void zooClick(App& app) {
    ZoomWindow* z = app.w.zoom();
    if (!z) return;
    const bool wasLoaded = z->show();
    if (!wasLoaded) zoomFormLoad(app, *z);
    const State& s = app.s;
    z->setColourPicture(colourRoad(s));
    z->setPictureFrom(s.raddrCount != 0 ? Pic::Picture2 : Pic::Picture1);
    pictureSizeFor(*z, shownWidth(s), shownHeight(s), extentLimit(s, *z));
    if (!wasLoaded) {
        // A new window shows the whole picture when the screen has room for it.
        const double caption = 380;
        z->setSize(std::min(z->imageWidth(), z->screenWidth() - z->left()),
                   std::min(z->imageHeight() + caption, z->screenHeight() - z->top()));
    }
}

void zoomFormLoad(App& app, ZoomWindow& z) {
    State& s = app.s;
    z.setPosition(11080, 1100);
    s.zoomVPos = 0;
    s.zoomHPos = 0;
    z.setImagePosition(0, 0);
    const double shown = s.raddrCount == 0 ? static_cast<double>(s.imageWidth) : s.rectViewWidth;
    s.gridRatio = shown > 0 ? static_cast<float>(z.imageWidth() / shown) : 0.0f;
    if (s.zoomPercent == 0) s.zoomPercent = 1;
    s.zoomFactor = s.zoomPercent / 100.0;
    setMaxima(s, z);
}

void zoomFormResize(App& app, ZoomWindow& z) {
    ZoomBar h = z.hBar(), v = z.vBar();
    h.length = z.width();
    v.length = z.height();
    z.setHBar(h);
    z.setVBar(v);
    setMaxima(app.s, z);
}

void zoomHScrollChange(App& app, ZoomWindow& z, int value) {
    State& s = app.s;
    if (rangesFit(s, z)) setMaxima(s, z);
    ZoomBar h = z.hBar();
    h.value = std::clamp(value, 0, std::max(0, h.maximum));
    z.setHBar(h);
    s.zoomHPos = held(s, h.value);
    z.setImagePosition(-s.zoomHPos, z.imageTop());
}

void zoomVScrollChange(App& app, ZoomWindow& z, int value) {
    State& s = app.s;
    if (rangesFit(s, z)) setMaxima(s, z);
    ZoomBar v = z.vBar();
    v.value = std::clamp(value, 0, std::max(0, v.maximum));
    z.setVBar(v);
    s.zoomVPos = held(s, v.value);
    z.setImagePosition(z.imageLeft(), -s.zoomVPos);
}

void zoomSpinDown(App& app, ZoomWindow& z) {
    State& s = app.s;
    if (s.zoomDir != -1) s.zoomPercent = 100;
    if (s.zoomPercent > -30000) s.zoomPercent = static_cast<std::int16_t>(s.zoomPercent - 10);
    if (s.zoomPercent == 0) s.zoomPercent = 1;
    s.zoomFactor = s.zoomPercent / 100.0;
    if (z.imageHeight() / s.zoomFactor >= 600) applyStep(s, z);
    s.zoomDir = -1;
}

void zoomSpinUp(App& app, ZoomWindow& z) {
    State& s = app.s;
    if (s.zoomDir != 1) s.zoomPercent = 100;
    if (s.zoomPercent < 30000) s.zoomPercent = static_cast<std::int16_t>(s.zoomPercent + 10);
    s.zoomFactor = s.zoomPercent / 100.0;
    // The smaller picture must be within the range (on the plain road, a little short of it).
    const double highest = colourRoad(s) ? extentLimit(s, z) : 30000;
    if (z.imageHeight() / s.zoomFactor <= highest) applyStep(s, z);
    s.zoomDir = 1;
}

void zoomImageDblClick(App& app, ZoomWindow& z) {
    const State& s = app.s;
    if (s.raddrCount < 1) return;
    const Color c{0x404000};
    const double step = 200 * static_cast<double>(s.gridRatio) / s.zoomFactor;
    // A spacing below a twip would draw thousands of lines on one spot (or never end).
    if (!std::isfinite(step) || step < 1) return;
    for (double x = 0; x <= z.imageWidth(); x += step) z.drawLine(x, 0, x, z.imageHeight(), c);
    for (double y = 0; y <= z.imageHeight(); y += step) z.drawLine(0, y, z.imageWidth(), y, c);
}

void zoomFormMouseUp(App& app, ZoomWindow& z) {
    // A colour picture may be many screens large: the window fits it only as far as the screen
    // goes, as a new window does.
    const bool bounded = colourRoad(app.s);
    auto setSize = [&z, bounded](double w, double h) {
        if (bounded) {
            w = std::min(w, z.screenWidth() - z.left());
            h = std::min(h, z.screenHeight() - z.top());
        }
        z.setSize(w, h);
    };
    auto fitBars = [&z](double vLength) {
        ZoomBar h = z.hBar(), v = z.vBar();
        h.length = z.width();
        v.length = vLength;
        z.setHBar(h);
        z.setVBar(v);
    };
    if (z.width() < z.imageWidth() || z.height() < z.imageHeight()) {
        setSize(z.imageWidth(), z.imageHeight());
        fitBars(z.height());
    }
    if (z.width() > z.imageWidth() || z.height() > z.imageHeight()) {
        setSize(z.imageWidth(), z.imageHeight() + 380);
        fitBars(z.height() + 380);
    }
}

}  // namespace velta

// Scroll bars of the two views and the scroll handlers.
#include "input/view.h"

#include <algorithm>
#include <cmath>

#include "input/handlers.h"
#include "text/numtext.h"

namespace velta {

namespace {

int roundedInt(double v) { return text::toInt32(v).value_or(0); }

// Shows a bar for an extent larger than the viewport: maximum the excess, steps a hundredth
// and a tenth of the viewport. The value is kept, within the new range.
void showBar(Window& w, ScrollId id, double extent, double avail, double position) {
    ScrollBarState sb = w.scroll(id);
    sb.visible = true;
    sb.minimum = 0;
    sb.maximum = roundedInt(extent - avail);
    sb.length = roundedInt(avail);
    sb.smallStep = roundedInt(avail / 100);
    sb.largeStep = roundedInt(avail / 10);
    sb.position = roundedInt(position);
    sb.value = std::clamp(sb.value, sb.minimum, sb.maximum);
    w.setScroll(id, sb);
}

void hideBar(Window& w, ScrollId id) {
    ScrollBarState sb = w.scroll(id);
    sb.visible = false;
    w.setScroll(id, sb);
}

// The views share one layout: a vertical bar beside the viewport, a horizontal one below it.
void layoutView(App& app, Pic pic, ScrollId vId, ScrollId hId, double width, double height) {
    Window& w = app.w;
    const double availW = viewportWidthPx(app.s), availH = viewportHeightPx(app.s);
    hideBar(w, vId);
    hideBar(w, hId);
    if (height > availH) showBar(w, vId, height, availH, availW);
    if (width > availW) {
        showBar(w, hId, width, availW, availH);
        w.picture(pic).toBack();
    }
    // The surface sits where its bars say, so no stale offset survives a new picture.
    const int left = w.scroll(hId).visible ? -w.scroll(hId).value : 0;
    const int top = w.scroll(vId).visible ? -w.scroll(vId).value : 0;
    w.picture(pic).setPosition(left, top);
}

}  // namespace

double viewportWidthPx(const State& s) { return static_cast<double>(s.screenWidthPx) - s.scrollBarSize; }
double viewportHeightPx(const State& s) { return static_cast<double>(s.screenHeightPx) - 3.0 * s.scrollBarSize; }

void layoutSourceView(App& app) {
    layoutView(app, Pic::Picture1, ScrollId::VScroll1, ScrollId::HScroll1, app.s.imageWidth, app.s.imageHeight);
}

void layoutRectifiedView(App& app) {
    layoutView(app, Pic::Picture2, ScrollId::VScroll2, ScrollId::HScroll2, app.s.rectViewWidth,
               app.s.rectViewHeight);
}

void scrollChange(App& app, ScrollId id, int value) {
    Window& w = app.w;
    ScrollBarState sb = w.scroll(id);
    sb.value = value;
    w.setScroll(id, sb);
    // The surface moves under the fixed viewport and keeps its image's size, so a click never
    // lands beside the image and image coordinates stay image coordinates.
    Surface& p = w.picture(id == ScrollId::HScroll1 || id == ScrollId::VScroll1 ? Pic::Picture1 : Pic::Picture2);
    if (id == ScrollId::HScroll1 || id == ScrollId::HScroll2)
        p.setPosition(-value, p.top());
    else
        p.setPosition(p.left(), -value);
}

}  // namespace velta
